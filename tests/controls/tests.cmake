pace_add_tests(controls_tests
  controls/NumberTextTest.cpp
)

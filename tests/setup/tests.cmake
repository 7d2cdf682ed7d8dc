find_package(Qt6 REQUIRED COMPONENTS Test)
pace_add_tests(setup_tests
  setup/CurveMathTest.cpp
  setup/PayloadsTest.cpp
  setup/StartTest.cpp
  setup/PictureTest.cpp
  setup/LinkTest.cpp
  setup/IdentityTest.cpp
  setup/CurveTest.cpp
  setup/EndToEndTest.cpp
)
target_link_libraries(setup_tests PRIVATE pace_setup Qt6::Test)

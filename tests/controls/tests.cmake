pace_add_tests(controls_tests
  controls/NumberTextTest.cpp
  controls/NumEditTest.cpp
  controls/DialogsTest.cpp
)
# The same program once more with a locale whose decimal separator is a comma.
add_test(NAME controls_tests_decimal_comma COMMAND controls_tests)
set_tests_properties(controls_tests_decimal_comma PROPERTIES
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=de_DE.UTF-8;LANG=de_DE.UTF-8" TIMEOUT 120)

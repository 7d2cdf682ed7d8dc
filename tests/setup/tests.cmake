find_package(Qt6 REQUIRED COMPONENTS Test)
pace_add_tests(setup_tests
  setup/CurveMathTest.cpp
  setup/PayloadsTest.cpp
  setup/StartTest.cpp
  setup/PictureTest.cpp
  setup/LinkTest.cpp
  setup/IdentityTest.cpp
  setup/CurveTest.cpp
  setup/SeparatorTest.cpp
  setup/EndToEndTest.cpp
)
target_link_libraries(setup_tests PRIVATE pace_setup Qt6::Test)

# The separator tests once more under the decimal-comma locale that the controls' tests make
# in the build tree.
if(TEST make_comma_locale)
  add_test(NAME setup_tests_decimal_comma COMMAND setup_tests --gtest_filter=SeparatorTest.*)
  set_tests_properties(setup_tests_decimal_comma PROPERTIES
    FIXTURES_REQUIRED comma_locale
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LOCPATH=${PACE_COMMA_LOCALES};LC_ALL=de_DE.UTF-8;LANG=de_DE.UTF-8;PACE_EXPECT_DECIMAL_COMMA=1"
    TIMEOUT 120)
endif()

pace_add_tests(controls_tests
  controls/NumberTextTest.cpp
  controls/NumEditTest.cpp
  controls/DialogsTest.cpp
)
# The same program once more with a locale whose decimal separator is a comma, compiled into
# the build tree so that no system locale needs to be installed.
set(PACE_COMMA_LOCALES ${CMAKE_BINARY_DIR}/locale)
add_test(NAME make_comma_locale
         COMMAND sh -c "mkdir -p '${PACE_COMMA_LOCALES}' && localedef -c -i de_DE -f UTF-8 '${PACE_COMMA_LOCALES}/de_DE.UTF-8' || test -d '${PACE_COMMA_LOCALES}/de_DE.UTF-8'")
set_tests_properties(make_comma_locale PROPERTIES FIXTURES_SETUP comma_locale)
add_test(NAME controls_tests_decimal_comma COMMAND controls_tests)
set_tests_properties(controls_tests_decimal_comma PROPERTIES
  FIXTURES_REQUIRED comma_locale
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LOCPATH=${PACE_COMMA_LOCALES};LC_ALL=de_DE.UTF-8;LANG=de_DE.UTF-8"
  TIMEOUT 120)

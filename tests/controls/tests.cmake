pace_add_tests(controls_tests controls/Placeholder.cpp)

pace_add_tests(setup_tests setup/Placeholder.cpp)

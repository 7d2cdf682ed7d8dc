pace_add_tests(link_tests link/Placeholder.cpp)

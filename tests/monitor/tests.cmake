pace_add_tests(monitor_tests monitor/Placeholder.cpp)

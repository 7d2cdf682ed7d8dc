pace_add_tests(monitor_tests
  monitor/TelemetryTest.cpp
)
target_link_libraries(monitor_tests PRIVATE pace_monitor)

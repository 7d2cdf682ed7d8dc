find_package(Qt6 REQUIRED COMPONENTS Test)
pace_add_tests(monitor_tests
  monitor/TelemetryTest.cpp
  monitor/WindowTest.cpp
  monitor/PtyTest.cpp
  monitor/PictureTest.cpp
)
target_link_libraries(monitor_tests PRIVATE pace_monitor Qt6::Test)

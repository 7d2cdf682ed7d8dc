# Faults a device or the system can throw at both windows, through the real serial stack.

# Runs one window's search as an unprivileged user (it drops root first when it has it).
add_executable(pace_unprivileged_probe faults/UnprivilegedProbe.cpp)
target_include_directories(pace_unprivileged_probe PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/faults)
target_link_libraries(pace_unprivileged_probe PRIVATE pace_test_support pace_monitor pace_setup)

pace_add_tests(faults_tests
  faults/PtyFlood.cpp
  faults/FloodTest.cpp
  faults/LossTest.cpp
  faults/StallTest.cpp
  faults/UnopenableTest.cpp
)
target_include_directories(faults_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/faults
                           ${CMAKE_CURRENT_SOURCE_DIR}/link)
target_link_libraries(faults_tests PRIVATE pace_monitor pace_setup)
target_compile_definitions(faults_tests PRIVATE
                           PACE_PORT_HOLDER="$<TARGET_FILE:pace_port_holder>"
                           PACE_UNPRIVILEGED_PROBE="$<TARGET_FILE:pace_unprivileged_probe>")
add_dependencies(faults_tests pace_port_holder pace_unprivileged_probe)

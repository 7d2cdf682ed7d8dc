# Holds a port open from another process, as another program would.
add_executable(pace_port_holder link/PortHolder.cpp)
target_link_libraries(pace_port_holder PRIVATE Qt6::Core Qt6::SerialPort)

pace_add_tests(link_tests
  link/FrameCodecTest.cpp
  link/DiscoveryTest.cpp
  link/QtSerialPortTest.cpp
  link/EndToEndTest.cpp
)
target_compile_definitions(link_tests PRIVATE
                           PACE_PORT_HOLDER="$<TARGET_FILE:pace_port_holder>")
add_dependencies(link_tests pace_port_holder)

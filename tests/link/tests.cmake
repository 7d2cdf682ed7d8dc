pace_add_tests(link_tests
  link/FrameCodecTest.cpp
  link/DiscoveryTest.cpp
)

# File data on data connections: the transport's file calls on a socket pair
# (unit) and the engine's downloads and uploads of files against real
# servers (integration).
tovrel_test(test_ftp_filedata LABELS ftp unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FileDataTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/TLSTestSupport.cpp  # its loopback listener
  DEPS tovrel_ftp tovrel_testservers)
tovrel_test(test_ftp_filedata_servers LABELS ftp integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EngineFileDataTest.cpp
  DEPS tovrel_ftp tovrel_testservers)

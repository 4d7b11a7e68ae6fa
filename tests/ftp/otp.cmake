# One-time passwords: RFC 2289 vectors, the dictionary and challenge parsing.
tovrel_test(test_ftp_otp LABELS ftp unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/OTPTest.cpp
  DEPS tovrel_ftp)

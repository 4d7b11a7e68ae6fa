# One-time passwords: built from their own sources so the test does not
# depend on the rest of the engine.
tovrel_test(test_ftp_otp LABELS ftp unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/OTPTest.cpp
          ${PROJECT_SOURCE_DIR}/src/ftp/OTP.cpp
          ${PROJECT_SOURCE_DIR}/src/ftp/OTPWords.cpp
          ${PROJECT_SOURCE_DIR}/src/ftp/MD4.cpp
  DEPS OpenSSL::Crypto)

tovrel_fuzzer(fuzz_otp_challenge
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/OTPChallengeFuzzer.cpp
          ${PROJECT_SOURCE_DIR}/src/ftp/OTP.cpp
          ${PROJECT_SOURCE_DIR}/src/ftp/OTPWords.cpp
          ${PROJECT_SOURCE_DIR}/src/ftp/MD4.cpp
  DEPS OpenSSL::Crypto)

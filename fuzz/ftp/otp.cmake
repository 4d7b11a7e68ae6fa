tovrel_fuzzer(fuzz_otp_challenge
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/OTPChallengeFuzzer.cpp
  DEPS tovrel_ftp)

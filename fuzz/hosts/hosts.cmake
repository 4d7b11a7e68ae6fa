# Loaders of the host, quick-connect, filter, transfer-type and
# trusted-certificate files, the ftp:// address parser, the file-mask matcher
# and the site importer.
foreach(harness hostsxml quickhosts filters filetransfertypes fromurl mask siteimport trustedcertificates)
  tovrel_fuzzer(fuzz_hosts_${harness}
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/Fuzz_${harness}.cpp
    DEPS tovrel_hosts)
endforeach()

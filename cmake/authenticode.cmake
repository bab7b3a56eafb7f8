# Authenticode signatures of the Windows deliverables, made by
# tools/release/authenticode.sh with Debian's osslsigncode.
#   MIRADOT_SIGN_CERT, MIRADOT_SIGN_KEY  the release's code signing certificate (with
#                                        its chain) and private key; unset: the release
#                                        installer and the programs it packs are unsigned
#   MIRADOT_SIGN_TIMESTAMP_URL           the RFC 3161 time stamp server of the release
#                                        signatures; unset: no time stamp
# The build makes a throwaway self-signed code signing certificate of its own
# (MIRADOT_SIGNING_TEST_DIR) that signs the test installers and the programs
# they pack.
set(MIRADOT_SIGN_CERT "" CACHE FILEPATH "Code signing certificate of the release (PEM)")
set(MIRADOT_SIGN_KEY "" CACHE FILEPATH "Private key of the code signing certificate")
set(MIRADOT_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time stamp server of the release signatures")
set(MIRADOT_AUTHENTICODE bash ${PROJECT_SOURCE_DIR}/tools/release/authenticode.sh)

find_program(MIRADOT_OSSLSIGNCODE osslsigncode)
find_program(MIRADOT_OPENSSL openssl)
if(NOT MIRADOT_WINDOWS OR NOT MIRADOT_OSSLSIGNCODE OR NOT MIRADOT_OPENSSL)
  return()
endif()
set(MIRADOT_SIGNING_TEST_DIR ${CMAKE_BINARY_DIR}/signing-test-cert)
add_custom_command(
  OUTPUT ${MIRADOT_SIGNING_TEST_DIR}/cert.pem ${MIRADOT_SIGNING_TEST_DIR}/key.pem
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MIRADOT_SIGNING_TEST_DIR}
  COMMAND ${MIRADOT_OPENSSL} req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=miraDot test signing"
          -addext extendedKeyUsage=codeSigning -keyout ${MIRADOT_SIGNING_TEST_DIR}/key.pem
          -out ${MIRADOT_SIGNING_TEST_DIR}/cert.pem
  VERBATIM)
add_custom_target(signing_test_cert DEPENDS ${MIRADOT_SIGNING_TEST_DIR}/cert.pem)

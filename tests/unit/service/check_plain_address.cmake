# Checks that a program file holds the service and website addresses only in their stored
# form. With PROBE, also runs it to see them come back deciphered and that the stored form is
# really in the file searched.
#   cmake -DBINARY=file -DHEADER=address_ciphers.h -DSERVICE=addr -DWEBSITE=addr [-DPROBE=1] -P
file(STRINGS ${BINARY} strings_found)
list(JOIN strings_found "\n" text)
foreach(address ${SERVICE} ${WEBSITE})
  string(FIND "${text}" "${address}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${BINARY} holds the plain address ${address}")
  endif()
endforeach()

if(PROBE)
  file(READ ${HEADER} header)
  string(REGEX MATCH "ServiceAddressCipher = \"([0-9A-F]+)\"" _ "${header}")
  string(FIND "${text}" "${CMAKE_MATCH_1}" at)
  if(CMAKE_MATCH_1 STREQUAL "" OR at EQUAL -1)
    message(FATAL_ERROR "${BINARY} does not hold the stored service address")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LUMORA_SERVICE_BASE ${BINARY}
                  OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "${SERVICE}\n${WEBSITE}\n")
    message(FATAL_ERROR "deciphered addresses differ: ${out}")
  endif()
endif()
message(STATUS "${BINARY}: no plain address")

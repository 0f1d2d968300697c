# The configure-time address rule, run as the build runs it (cmake -P on the rule's file):
# plain http is refused for any host but a loopback one, unless the build allows it knowingly.
#   cmake -DRULE=cmake/ServiceAddressRule.cmake -P check_address_rule.cmake
set(ok "https://portal.example/")
# service address | plain http allowed | accepted
set(cases
    "http://127.0.0.1:8780/|OFF|1" "http://127.10.0.254/|OFF|1" "http://LOCALHOST:80/|OFF|1"
    "http://[::1]:8080/|OFF|1" "HTTPS://portal.example/|OFF|1" "http://portal.example/|ON|1"
    "http://portal.example/|OFF|0" "http://127.0.0.1@evil.test/|OFF|0"
    "http://127.0.0.1.evil.test/|OFF|0" "http://localhost.evil.test:80/|OFF|0"
    "http://127.0.0.256/|OFF|0" "http://[::1].evil.test/|OFF|0" "http://10.0.0.1/|OFF|0"
    "ftp://127.0.0.1/|ON|0" "portal.example/|OFF|0")
foreach(case ${cases})
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 address)
  list(GET fields 1 allow)
  list(GET fields 2 accepted)
  # Either address may be the one at fault; the website's is checked the same way.
  foreach(pair "${address};${ok}" "${ok};${address}")
    list(GET pair 0 service)
    list(GET pair 1 website)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -DLUMORA_SERVICE_ADDRESS=${service}
              -DLUMORA_WEBSITE_ADDRESS=${website} -DLUMORA_ALLOW_PLAIN_HTTP=${allow} -P ${RULE}
      RESULT_VARIABLE rc ERROR_VARIABLE said)
    if(accepted AND NOT rc EQUAL 0)
      message(SEND_ERROR "refused ${service} / ${website} (allow ${allow}): ${said}")
    elseif(NOT accepted AND (rc EQUAL 0 OR NOT said MATCHES "[Uu]se[ \n]+https://"))
      message(SEND_ERROR "accepted ${service} / ${website} (allow ${allow}) [${rc}]: ${said}")
    endif()
  endforeach()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -DLUMORA_SERVICE_ADDRESS=http://portal.example/
                -DLUMORA_WEBSITE_ADDRESS=${ok} -P ${RULE} ERROR_VARIABLE said)
if(NOT said MATCHES "LUMORA_ALLOW_PLAIN_HTTP=ON")
  message(SEND_ERROR "the refusal does not name the way out: ${said}")
endif()

# The program fetches its pages, scripts and updates from the service and website addresses:
# over plain http anyone on the network path can change what it runs. Plain http is accepted
# for a loopback host only (the demo, a local test service) unless the build is told otherwise.
#
# In the project: include this file and call lumora_require_secure_addresses(). As a script:
#   cmake -DLUMORA_SERVICE_ADDRESS=... -DLUMORA_WEBSITE_ADDRESS=... [-DLUMORA_ALLOW_PLAIN_HTTP=ON]
#         -P cmake/ServiceAddressRule.cmake

# Sets out to "" when the address may be built in, else to what is wrong with it.
function(lumora_service_address_problem out name address allow_plain)
  string(REGEX MATCH "^([A-Za-z][A-Za-z0-9+.-]*)://([^/?#]*)" _ "${address}")
  string(TOLOWER "${CMAKE_MATCH_1}" scheme)
  set(authority "${CMAKE_MATCH_2}")
  set(${out} "" PARENT_SCOPE)
  if(scheme STREQUAL "https")
    return()
  endif()
  if(NOT scheme STREQUAL "http")
    set(${out} "${name} '${address}' is no web address: use https://" PARENT_SCOPE)
    return()
  endif()
  # The host is what follows any user information ("http://127.0.0.1@elsewhere/" goes to
  # elsewhere), without the port; a bracketed IPv6 literal keeps its brackets.
  string(REGEX REPLACE "^.*@" "" host "${authority}")
  if(host MATCHES "^(\\[[^]]*\\])(:[0-9]*)?$")
    set(host "${CMAKE_MATCH_1}")
  elseif(NOT host MATCHES "^\\[")
    string(REGEX REPLACE ":[0-9]*$" "" host "${host}")
  endif()
  string(TOLOWER "${host}" host)
  set(loopback FALSE)
  if(host STREQUAL "localhost" OR host STREQUAL "[::1]" OR host STREQUAL "[0:0:0:0:0:0:0:1]")
    set(loopback TRUE)
  elseif(host MATCHES "^127\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    set(loopback TRUE)
    foreach(part ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3})
      if(part GREATER 255 OR part MATCHES "^0[0-9]")
        set(loopback FALSE)
      endif()
    endforeach()
  endif()
  if(loopback OR allow_plain)
    return()
  endif()
  set(${out} "${name} '${address}' is plain http:// to a host other than this machine: anyone \
on the network path could change the pages and updates the program runs. Use https://, or set \
-DLUMORA_ALLOW_PLAIN_HTTP=ON knowingly (see README, Security)." PARENT_SCOPE)
endfunction()

# Stops the configuration where LUMORA_SERVICE_ADDRESS or LUMORA_WEBSITE_ADDRESS breaks the rule.
function(lumora_require_secure_addresses)
  foreach(name LUMORA_SERVICE_ADDRESS LUMORA_WEBSITE_ADDRESS)
    lumora_service_address_problem(problem ${name} "${${name}}" "${LUMORA_ALLOW_PLAIN_HTTP}")
    if(problem)
      message(FATAL_ERROR "${problem}")
    endif()
  endforeach()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  lumora_require_secure_addresses()
endif()

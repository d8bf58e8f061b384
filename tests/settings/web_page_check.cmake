# The web page setting: a quote or a control character is refused at
# configure time with a message naming the setting; other addresses pass,
# their backslashes doubled for the string literal.
#   cmake -DSOURCE_DIR=<repository> -P web_page_check.cmake
string(ASCII 9 _tab)
string(ASCII 10 _lf)
string(ASCII 1 _soh)
string(ASCII 127 _del)
set(_refused "http://a.example/?q=\"x y\"" "http://a.example/${_tab}b" "http://a.example/${_lf}"
    "http://a${_soh}b" "http://a${_del}b")
foreach(page IN LISTS _refused)
  execute_process(COMMAND ${CMAKE_COMMAND} "-DVESPERA_WEB_PAGE=${page}"
                          -P ${SOURCE_DIR}/cmake/web_page.cmake
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(rc EQUAL 0 OR NOT err MATCHES "VESPERA_WEB_PAGE must not hold")
    message(FATAL_ERROR "not refused: '${page}' (exit ${rc}): ${err}")
  endif()
endforeach()

set(VESPERA_WEB_PAGE "C:\\My Pages\\ http://a.example/?q=x,y;z")
include(${SOURCE_DIR}/cmake/web_page.cmake)
if(NOT VESPERA_WEB_PAGE_LITERAL STREQUAL "C:\\\\My Pages\\\\ http://a.example/?q=x,y;z")
  message(FATAL_ERROR "literal of '${VESPERA_WEB_PAGE}': '${VESPERA_WEB_PAGE_LITERAL}'")
endif()
message(STATUS "web page setting: ok")

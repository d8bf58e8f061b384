# Checks the product web page setting (VESPERA_WEB_PAGE) and sets
# VESPERA_WEB_PAGE_LITERAL, its text for a C++ string literal. Included by
# the build, and run on its own (cmake -DVESPERA_WEB_PAGE=... -P) by the
# tests.
#
# The page reaches explorer on its command line, whose own parsing is not
# documented: a quote or a control character could arrive changed.
string(ASCII 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31
       127 _vespera_controls)
if(VESPERA_WEB_PAGE MATCHES "[\"${_vespera_controls}]")
  message(FATAL_ERROR "VESPERA_WEB_PAGE must not hold a double quote (\") or a control "
                      "character; percent-encode them (a quote is %22): '${VESPERA_WEB_PAGE}'")
endif()
# In a string literal a backslash escapes.
string(REPLACE "\\" "\\\\" VESPERA_WEB_PAGE_LITERAL "${VESPERA_WEB_PAGE}")

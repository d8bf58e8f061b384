# Two rules of the program's sources on what other threads send:
#  - every call in which the window thread may handle it (a message loop's
#    wait, a look at the queue, a send that waits for another thread) goes
#    through ui/win32/waiting_calls.h, each marked there as a waiting call,
#    so that input sent meanwhile is held for the running handler;
#  - it is told by InSendMessageEx, which names SendMessage,
#    SendNotifyMessage and SendMessageCallback apart: what InSendMessage
#    says of the latter two is not documented.
# Fails on such a call anywhere else, on one in that file without its mark,
# and on InSendMessage.
#   cmake -DSOURCE_DIR=<repository> -P sent_messages.cmake
set(_call "(^|[^A-Za-z0-9_])(PeekMessage|GetMessage|WaitMessage|MsgWaitForMultipleObjects(Ex)?|SendMessageTimeout|SendNotifyMessage|SendMessageCallback|BroadcastSystemMessage(Ex)?)[AW]?[ \t]*\\(")
set(_wrapper ui/win32/waiting_calls.h)

file(GLOB_RECURSE _sources RELATIVE ${SOURCE_DIR}
     ${SOURCE_DIR}/app/*.h ${SOURCE_DIR}/app/*.cpp ${SOURCE_DIR}/forms/*.h ${SOURCE_DIR}/forms/*.cpp
     ${SOURCE_DIR}/modules/*.h ${SOURCE_DIR}/modules/*.cpp ${SOURCE_DIR}/platform/*.h
     ${SOURCE_DIR}/platform/*.cpp ${SOURCE_DIR}/ui/*.h ${SOURCE_DIR}/ui/*.cpp)
set(_found "")
foreach(_file IN LISTS _sources)
  file(STRINGS ${SOURCE_DIR}/${_file} _lines REGEX "(^|[^A-Za-z0-9_])InSendMessage[ \t]*\\(")
  foreach(_line IN LISTS _lines)
    string(STRIP "${_line}" _line)
    message(SEND_ERROR "${_file}: InSendMessage cannot tell every send apart; use InSendMessageEx: ${_line}")
  endforeach()
  if(NOT _file STREQUAL _wrapper)
    file(STRINGS ${SOURCE_DIR}/${_file} _lines REGEX "${_call}")
    foreach(_line IN LISTS _lines)
      string(STRIP "${_line}" _line)
      string(APPEND _found "\n  ${_file}: ${_line}")
    endforeach()
  endif()
endforeach()
if(_found)
  message(FATAL_ERROR "call it through ${_wrapper}, marked as a waiting call:${_found}")
endif()

file(STRINGS ${SOURCE_DIR}/${_wrapper} _calls REGEX "${_call}")
file(STRINGS ${SOURCE_DIR}/${_wrapper} _marks REGEX "platform::WaitingCall [a-z]+;")
list(LENGTH _calls _callCount)
list(LENGTH _marks _markCount)
if(_callCount EQUAL 0 OR NOT _callCount EQUAL _markCount)
  message(FATAL_ERROR "${_wrapper}: ${_callCount} calls, ${_markCount} marked as waiting calls")
endif()
list(LENGTH _sources _sourceCount)
math(EXPR _sourceCount "${_sourceCount} - 1")
message(STATUS "waiting calls: ${_callCount} in ${_wrapper}, none in the ${_sourceCount} other sources")

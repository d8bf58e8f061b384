# Every call in which the window thread may handle what other threads send
# goes through ui/win32/waiting_calls.h, each marked there as a waiting call;
# such a send is told by InSendMessageEx (InSendMessage: only SendMessage's).
#   cmake -DSOURCE_DIR=<repository> -P sent_messages.cmake
set(_call "(^|[^A-Za-z0-9_])(PeekMessage|GetMessage|WaitMessage|MsgWaitForMultipleObjects(Ex)?|SendMessageTimeout|SendNotifyMessage|SendMessageCallback|BroadcastSystemMessage(Ex)?|InSendMessage)[AW]?[ \t]*\\(")
set(_wrapper ui/win32/waiting_calls.h)
file(GLOB_RECURSE _sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/app/* ${SOURCE_DIR}/forms/*
     ${SOURCE_DIR}/modules/* ${SOURCE_DIR}/platform/* ${SOURCE_DIR}/ui/*)
list(FILTER _sources INCLUDE REGEX "\\.(h|cpp)$")
foreach(_file IN LISTS _sources)
  file(STRINGS ${SOURCE_DIR}/${_file} _lines REGEX "${_call}")
  if(_lines AND NOT _file STREQUAL _wrapper)
    message(SEND_ERROR "${_file}: ${_lines}\ngo through ${_wrapper}; tell a send by InSendMessageEx")
  endif()
endforeach()
file(STRINGS ${SOURCE_DIR}/${_wrapper} _calls REGEX "${_call}")
file(STRINGS ${SOURCE_DIR}/${_wrapper} _marks REGEX "platform::WaitingCall [a-z]+;")
list(LENGTH _calls _count)
list(LENGTH _marks _marked)
if(_count EQUAL 0 OR NOT _count EQUAL _marked)
  message(FATAL_ERROR "${_wrapper}: ${_count} calls, ${_marked} marked as waiting calls")
endif()

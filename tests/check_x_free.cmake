# The X-freeness check (cmake -P): LIB, the X-free library, has no undefined
# X symbol (Xlib's X*, Xt's Xt*, their _X* internals); EXE, pdi2png, links
# no X library; and PROBE, which includes <X11/Xlib.h>, does not compile
# with NO_X_DIR, the include directory of the X-free sources, in front.
execute_process(COMMAND nm -u --format=posix ${LIB} OUTPUT_VARIABLE undefined RESULT_VARIABLE nm_status)
if(NOT nm_status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIB}")
endif()
string(REGEX MATCHALL "(^|\n)_?X[A-Za-z0-9_]*" x_symbols "${undefined}")
if(x_symbols)
  string(REPLACE "\n" " " x_symbols "${x_symbols}")
  message(FATAL_ERROR "X symbols undefined in ${LIB}:${x_symbols}")
endif()

execute_process(COMMAND readelf -d ${EXE} OUTPUT_VARIABLE dynamic RESULT_VARIABLE readelf_status)
if(NOT readelf_status EQUAL 0)
  message(FATAL_ERROR "readelf failed on ${EXE}")
endif()
if(dynamic MATCHES "lib(X11|Xt|ICE|SM|xcb)[.]so")
  message(FATAL_ERROR "${EXE} links an X library:\n${dynamic}")
endif()

execute_process(COMMAND ${CXX} -std=c++17 -fsyntax-only -I${NO_X_DIR} ${PROBE}
                RESULT_VARIABLE probe_status ERROR_VARIABLE probe_err OUTPUT_QUIET)
# (Without X headers on the machine the probe finds none at all.)
if(probe_status EQUAL 0 OR NOT probe_err MATCHES "included by an X-free source|No such file")
  message(FATAL_ERROR "an X header compiles with ${NO_X_DIR} in front:\n${probe_err}")
endif()
message(STATUS "no X in ${LIB} and ${EXE}; X headers stopped by ${NO_X_DIR}")

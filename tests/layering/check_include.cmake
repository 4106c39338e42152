# Compiles a file that includes HEADER with the include roots INCLUDES and
# checks the outcome against EXPECT: "visible" must compile; "hidden" must fail
# because the header is not found (any other failure is a fault of its own).
#   cmake -DCOMPILER=c++ -DINCLUDES="a;b" -DHEADER=x/y.h -DEXPECT=hidden
#         -DWORK=folder -P check_include.cmake
set(probe ${WORK}/probe_${EXPECT}_${NAME}.cpp)
file(WRITE ${probe} "#include \"${HEADER}\"\n")
set(flags -std=c++20 -fsyntax-only)
foreach(dir IN LISTS INCLUDES)
  list(APPEND flags -I${dir})
endforeach()
execute_process(COMMAND ${COMPILER} ${flags} ${probe}
  RESULT_VARIABLE result ERROR_VARIABLE errors)
if(EXPECT STREQUAL "visible")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${HEADER} should compile here:\n${errors}")
  endif()
elseif(result EQUAL 0)
  message(FATAL_ERROR "${HEADER} is visible but lies above this layer")
elseif(NOT errors MATCHES "No such file or directory")
  message(FATAL_ERROR "${HEADER} failed for another reason:\n${errors}")
endif()

# cmake -DBUILD=<build folder> -P floors.cmake: the lowest room builds with its
# own header and is refused a header from upstairs, for that header's absence
# alone, so that any other failure cannot pass for the floors holding.
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target quillon_floor_own
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "a header of the room's own did not build:\n${output}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target quillon_floor_upward
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(status EQUAL 0)
    message(FATAL_ERROR "quote/ included desk/form1.h: the floors do not hold")
endif()
# GCC, Clang and MSVC say a missing header so.
if(NOT output MATCHES "desk/form1\\.h'?: No such file|'desk/form1\\.h' file not found|Cannot open include file: 'desk/form1\\.h'")
    message(FATAL_ERROR "the upward include failed, but not for want of the header:\n${output}")
endif()

# cmake -DPROGRAM=<file> -P loads_no_widgets.cmake
# Fails when the program would load the widget or GUI library: the test programs
# of the layers below the windows must run with Qt Core alone.
if(NOT PROGRAM)
  message(FATAL_ERROR "PROGRAM not given")
endif()
execute_process(COMMAND ldd "${PROGRAM}"
  OUTPUT_VARIABLE libraries ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "ldd ${PROGRAM} failed (${result}): ${errors}")
endif()
if(NOT libraries MATCHES "libQt6Core")
  message(FATAL_ERROR "ldd ${PROGRAM} lists no Qt at all:\n${libraries}")
endif()
if(libraries MATCHES "libQt6Widgets|libQt6Gui")
  message(FATAL_ERROR "${PROGRAM} loads a Qt widget or GUI library:\n${libraries}")
endif()

# Helpers for the desktop program's Qt libraries: every .cpp (and .qrc) of a folder is compiled
# into one static library, with moc and rcc run automatically.
function(corv_qt_library name folder)
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*.qrc)
  if(NOT sources)
    # A layer without code yet still gives a library to link against.
    set(stub ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    file(WRITE ${stub} "// no sources yet\n")
    set(sources ${stub})
  endif()
  add_library(${name} STATIC ${sources})
  set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON)
  target_link_libraries(${name} PUBLIC corv_options Qt6::Widgets Qt6::Network PRIVATE corv_warnings)
endfunction()

# One Qt Test program per test file of a folder, each registered with CTest and run offscreen.
function(corv_qt_tests folder label)
  file(GLOB tests CONFIGURE_DEPENDS ${folder}/*_test.cpp)
  foreach(test_source ${tests})
    get_filename_component(test_name ${test_source} NAME_WE)
    set(target ${label}_${test_name})
    add_executable(${target} ${test_source})
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
    target_link_libraries(${target} PRIVATE ${ARGN} Qt6::Test corv_warnings)
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES LABELS "gui;${label}"
                         ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endforeach()
endfunction()

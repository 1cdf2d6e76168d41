# The Qt desktop program: everything under src/gui (the windows and widgets of
# each subsystem, the Qt helpers they share in gui/qt, the wiring of gui/app)
# and the program.
find_package(Qt6 REQUIRED COMPONENTS Widgets PrintSupport Svg Test)
# moc and rcc run only for the targets that declare Qt classes (the GUI
# library and the Qt Test programs); nothing else gets a moc step.

file(GLOB_RECURSE gui_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/gui/*.cpp ${CMAKE_SOURCE_DIR}/src/gui/*.h)
list(FILTER gui_sources EXCLUDE REGEX "/gui/app/main\\.cpp$")

add_library(quillmar_gui STATIC ${gui_sources} ${CMAKE_SOURCE_DIR}/src/gui/qt/icons/icons.qrc)
target_include_directories(quillmar_gui PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(quillmar_gui PUBLIC quillmar_core Qt6::Widgets Qt6::PrintSupport Qt6::Svg PRIVATE quillmar_warnings)
set_target_properties(quillmar_gui PROPERTIES AUTOMOC ON AUTORCC ON)

add_executable(quillmar ${CMAKE_SOURCE_DIR}/src/gui/app/main.cpp)
target_link_libraries(quillmar PRIVATE quillmar_gui quillmar_warnings)
set_target_properties(quillmar PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The Qt Test program of the windows (tests/gui/app/tst_Gui.cpp), run offscreen so
# no display is needed.
function(quillmar_add_gui_tests)
    file(GLOB_RECURSE gui_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/gui/tst_*.cpp)
    foreach(src IN LISTS gui_tests)
        get_filename_component(name ${src} NAME_WE)
        add_executable(${name} ${src})
        set_target_properties(${name} PROPERTIES AUTOMOC ON)
        target_link_libraries(${name} PRIVATE quillmar_gui quillmar_test_support Qt6::Test quillmar_warnings)
        target_compile_definitions(${name} PRIVATE
            QUILLMAR_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
            QUILLMAR_BINARY_DIR="${CMAKE_BINARY_DIR}")
        add_dependencies(${name} demo-disk)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QUILLMAR_FLOPPY=none")
    endforeach()
endfunction()

# The real program under Xvfb: start, find the window, take a screenshot. Then
# the windows under a real window manager (openbox), whose title bars and
# frames are what the offscreen platform leaves out.
function(quillmar_add_xvfb_test)
    add_test(NAME xvfb_smoke
             COMMAND ${CMAKE_SOURCE_DIR}/tests/gui/app/xvfb_smoke.sh $<TARGET_FILE:quillmar>
                     ${CMAKE_BINARY_DIR}/samples/demo.opu ${CMAKE_BINARY_DIR}/xvfb-smoke.png)
    set_tests_properties(xvfb_smoke PROPERTIES TIMEOUT 60 RUN_SERIAL TRUE)
    add_test(NAME xvfb_window_manager COMMAND ${CMAKE_SOURCE_DIR}/tests/gui/app/xvfb_wm.sh $<TARGET_FILE:tst_Gui>)
    set_tests_properties(xvfb_window_manager PROPERTIES TIMEOUT 90 RUN_SERIAL TRUE
                                                        ENVIRONMENT "QUILLMAR_FLOPPY=none")
endfunction()

# Benchmarks of the windows: every bench/gui/*.cpp is one Google Benchmark
# program over the GUI library. Each sets the offscreen platform itself, so
# `make bench` needs no display.
if(QUILLMAR_BENCH)
    find_package(benchmark REQUIRED)
    file(GLOB gui_benches CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/gui/*.cpp)
    foreach(src IN LISTS gui_benches)
        get_filename_component(name ${src} NAME_WE)
        add_executable(${name} EXCLUDE_FROM_ALL ${src})
        add_dependencies(benchmarks ${name})
        target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/bench
                                                   ${CMAKE_SOURCE_DIR}/bench/gui)
        target_link_libraries(${name} PRIVATE quillmar_gui benchmark::benchmark quillmar_warnings)
        target_compile_definitions(${name} PRIVATE QUILLMAR_BINARY_DIR="${CMAKE_BINARY_DIR}"
                                                   QUILLMAR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
        add_dependencies(${name} demo-disk)
        set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
    endforeach()
endif()

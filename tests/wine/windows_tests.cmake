# The tests of the Windows build (included from tests/CMakeLists.txt): the
# unit tests built for Windows, the tests of the Windows drivers, and the probe
# that the Wine tests use.
#
# A few test sources use Linux interfaces: the compat library gives mingw
# the missing declarations and Windows versions of what has one; tests that
# observe Linux itself (inotify, /proc) are left out by unit_tests.sh.
add_library(rodazaro_test_compat STATIC ${CMAKE_CURRENT_LIST_DIR}/compat/compat.cpp)
target_include_directories(rodazaro_test_compat PUBLIC ${CMAKE_CURRENT_LIST_DIR}/compat/include
                           PRIVATE ${PROJECT_SOURCE_DIR})
target_include_directories(rodazaro_tests BEFORE PRIVATE ${CMAKE_CURRENT_LIST_DIR}/compat/include)
target_compile_options(rodazaro_tests PRIVATE -include ${CMAKE_CURRENT_LIST_DIR}/compat/posix_extras.h)
target_link_libraries(rodazaro_tests PRIVATE rodazaro_test_compat)

add_test(NAME wine_unit_tests
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/unit_tests.sh $<TARGET_FILE:rodazaro_tests>)
set_tests_properties(wine_unit_tests PROPERTIES TIMEOUT 600)

# Static libraries only: vorbisenc's private dependencies are linked too.
target_link_directories(rodazaro_tests PRIVATE ${VORBISENC_STATIC_LIBRARY_DIRS})
target_link_libraries(rodazaro_tests PRIVATE ${VORBISENC_STATIC_LIBRARIES})

# The Wine tests' look into the session (tests/wine/smoke.sh).
add_executable(rodazaro_wine_probe ${CMAKE_CURRENT_LIST_DIR}/probe.cpp)
target_link_libraries(rodazaro_wine_probe PRIVATE user32)

# The Windows drivers themselves, on Wine's devices (tests/wine/driver_tests.sh).
file(GLOB WIN32_DRIVER_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/driver/*.cpp)
add_executable(rodazaro_win32_tests ${WIN32_DRIVER_TEST_SOURCES})
target_link_libraries(rodazaro_win32_tests PRIVATE ${RODAZARO_PLAYER_BACKEND} GTest::gtest GTest::gtest_main)
add_test(NAME wine_driver_tests
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/driver_tests.sh $<TARGET_FILE:rodazaro_win32_tests>)
set_tests_properties(wine_driver_tests PROPERTIES TIMEOUT 300)

# The Windows build (included by CMakeLists.txt when cross-building with the toolchain files in
# cmake/): the engine core and its data files as on Linux, the engine shell over the system's COM,
# registry and files as BRELVOX.DLL, the brelvox command as brelvox.exe, and the engine's test
# suites, all run under Wine by ctest.
enable_language(RC)
enable_testing()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(BRELVOX_WIDL_ARCH --win64)
  set(BRELVOX_WINE_DLLS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
else()
  set(BRELVOX_WIDL_ARCH --win32)
  set(BRELVOX_WINE_DLLS /usr/lib/i386-linux-gnu/wine/i386-windows)
endif()

# Header-only libraries of the Linux build, seen through a folder of their own so that the system's
# other Linux headers stay out of the cross build.
set(BRELVOX_HEADER_ONLY ${CMAKE_BINARY_DIR}/header-only)
file(MAKE_DIRECTORY ${BRELVOX_HEADER_ONLY})
foreach(library CLI nlohmann)
  file(CREATE_LINK /usr/include/${library} ${BRELVOX_HEADER_ONLY}/${library} SYMBOLIC)
endforeach()

add_subdirectory(engine/core)

add_library(brelvox_platform_base STATIC
  platform/com/guid.cpp
  platform/com/unicode.cpp
  platform/com/windows/structured_exception.cpp
  platform/registry/windows/registry.cpp
  platform/speech/windows/sapi_ids.cpp
)
target_include_directories(brelvox_platform_base PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(brelvox_platform_base PUBLIC ole32 oleaut32 uuid sapi advapi32)
brelvox_warnings(brelvox_platform_base)

add_subdirectory(engine/files)

# BRELVOX.DLL: the registration script and the type library (built with widl) as resources,
# exports by name through the .def file only.
include(engine/sapi/registration_script.cmake)
set(BRELVOX_TYPE_LIBRARY ${BRELVOX_GENERATED}/BRELVOX.tlb)
add_custom_command(
  OUTPUT ${BRELVOX_TYPE_LIBRARY}
  COMMAND ${WIDL_EXECUTABLE} ${BRELVOX_WIDL_ARCH} -I/usr/include/wine/wine/windows
          -L${BRELVOX_WINE_DLLS} -t -o ${BRELVOX_TYPE_LIBRARY}
          ${PROJECT_SOURCE_DIR}/engine/sapi/windows/BRELVOX.idl
  DEPENDS ${PROJECT_SOURCE_DIR}/engine/sapi/windows/BRELVOX.idl
  VERBATIM)
set_source_files_properties(engine/sapi/windows/BRELVOX.rc PROPERTIES
  OBJECT_DEPENDS "${BRELVOX_TYPE_LIBRARY};${PROJECT_SOURCE_DIR}/engine/sapi/BRELVOX.rgs")

add_library(brelvox_front_end STATIC engine/sapi/front_end.cpp engine/sapi/text_fragments.cpp)
target_link_libraries(brelvox_front_end PUBLIC brelvox_platform_base)
brelvox_warnings(brelvox_front_end)

function(brelvox_windows_engine name core)
  add_library(${name} SHARED
    engine/sapi/bg_voice_engine.cpp
    engine/sapi/site_adapter.cpp
    engine/sapi/server.cpp
    engine/sapi/windows/type_library.cpp
    engine/sapi/windows/BRELVOX.def
    engine/sapi/windows/BRELVOX.rc
    ${BRELVOX_TYPE_LIBRARY})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".DLL")
  target_include_directories(${name} PRIVATE ${BRELVOX_GENERATED} ${PROJECT_SOURCE_DIR}/engine/sapi)
  target_link_libraries(${name} PRIVATE brelvox_front_end brelvox_data_files ${core}
                                         brelvox_platform_base)
  target_link_options(${name} PRIVATE -s)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The .def names the stdcall exports without their @n decoration.
    target_link_options(${name} PRIVATE -Wl,--enable-stdcall-fixup)
  endif()
  brelvox_warnings(${name})
endfunction()

brelvox_windows_engine(BRELVOX brelvox_core)
# For the tests: the core faults on a chosen symbol, to prove the crash guard.
brelvox_windows_engine(BRELVOX_faulting brelvox_core_faulting)

# brelvox.exe: the platform's voice tokens, fragments, site and audio over the system's registry,
# COM and wave output, and the brelvox command without its Linux-only commands.
add_library(brelvox_platform STATIC
  platform/speech/voice_token.cpp
  platform/speech/fragments.cpp
  platform/speech/fragments_json.cpp
  platform/speech/platform_site.cpp
  platform/speech/engine_host.cpp
  platform/activation/windows/activation.cpp
  platform/speech/speak.cpp
  platform/audio/audio_output.cpp
  platform/audio/windows/device_output.cpp
)
target_include_directories(brelvox_platform SYSTEM PUBLIC ${BRELVOX_HEADER_ONLY})
target_link_libraries(brelvox_platform PUBLIC brelvox_platform_base winmm)
brelvox_warnings(brelvox_platform)

add_executable(brelvox
  programs/brelvox/main.cpp
  programs/brelvox/speak_command.cpp
  programs/brelvox/transcribe_command.cpp
  programs/brelvox/data_files.cpp
  programs/brelvox/windows/engine_library.cpp
  programs/brelvox/windows/process_setup.cpp
  programs/brelvox/windows/brelvox.rc
)
target_link_libraries(brelvox PRIVATE brelvox_front_end brelvox_data_files brelvox_platform
                                      brelvox_core)
brelvox_warnings(brelvox)

# The first audio block under Wine, for windows/compare-speed.sh only.
add_executable(brelvox-latency EXCLUDE_FROM_ALL bench/speak_latency.cpp
                                               programs/brelvox/windows/process_setup.cpp)
target_link_libraries(brelvox-latency PRIVATE brelvox_data_files brelvox_platform brelvox_core)
brelvox_warnings(brelvox-latency)

include(tests/windows/tests.cmake)

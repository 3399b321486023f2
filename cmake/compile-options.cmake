# Compiler and linker options shared by the program and the benchmark's helpers.
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

if(MSVC)
  # As GCC reads them: the sources are UTF-8 and so are their narrow string
  # literals, and the warnings are this project's own, not those of the
  # system's or GoogleTest's headers (#include <...>).
  add_compile_options(/W4 /utf-8 /external:anglebrackets /external:W0)
  # Only system DLLs may be needed at run time.
  set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
else()
  add_compile_options(-Wall -Wextra)
  # Only system DLLs may be needed at run time.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # The release build is what ships: small, stripped, and the same bytes from
  # the same source wherever it is built (no link time stamp, no build folder
  # inside).
  set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG")
  set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG")
  add_compile_options(-ffunction-sections -fdata-sections
    -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
  add_link_options(-Wl,--gc-sections -Wl,--no-insert-timestamp $<$<CONFIG:Release>:-s>)
endif()
# Windows 7-level declarations: the full-size notification icon record, menu
# styles and the per-window message filter.
add_compile_definitions(WINVER=0x0601 _WIN32_WINNT=0x0601)

# The Windows workflow's analysers, with Visual Studio only. BACKDROP_ANALYZE
# (applied in CMakeLists.txt) runs the compiler's code analysis on the
# program's own sources, its warnings errors like all others there.
option(BACKDROP_ANALYZE "Visual Studio: /analyze on the program's sources, warnings as errors" OFF)
# BACKDROP_ASAN builds everything with AddressSanitizer: the program, its
# libraries, the tests and GoogleTest alike, as Visual Studio's library
# refuses to link instrumented and plain code that share its containers.
option(BACKDROP_ASAN "Visual Studio: build everything with AddressSanitizer" OFF)
if(MSVC AND BACKDROP_ASAN)
  # /Zi and /DEBUG give the reports files and lines. The Release build has
  # neither /RTC nor incremental linking, which AddressSanitizer cannot take.
  add_compile_options(/fsanitize=address /Zi)
  add_link_options(/DEBUG)
  # The instrumented programs load the sanitizer's runtime DLL, which lies
  # beside the compiler: a copy goes beside them in each configuration's
  # folder, where the test programs find it, and the AddressSanitizer test
  # presets put that folder on the PATH of the copies of the program that
  # the tests start in folders of their own.
  get_filename_component(_asan_runtime_dir "${CMAKE_CXX_COMPILER}" DIRECTORY)
  file(GLOB _asan_runtime "${_asan_runtime_dir}/clang_rt.asan_dynamic-*.dll")
  if(NOT _asan_runtime)
    message(FATAL_ERROR "No AddressSanitizer runtime (clang_rt.asan_dynamic-*.dll) beside the compiler in "
                        "${_asan_runtime_dir}: add C++ AddressSanitizer in Visual Studio's installer.")
  endif()
  set(_program_folders ${CMAKE_CONFIGURATION_TYPES})
  if(NOT _program_folders)
    set(_program_folders .)  # a generator of one configuration
  endif()
  foreach(_folder IN LISTS _program_folders)
    file(COPY ${_asan_runtime} DESTINATION ${CMAKE_BINARY_DIR}/bin/${_folder})
  endforeach()
endif()

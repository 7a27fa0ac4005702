# SQLite, OpenSSL, libpq, zlib, libxlsxwriter and mimalloc for norvale-fleet.exe:
# static Windows builds made from Debian's source packages by
# scripts/windows-libs, outside the clone. NORVALE_WINDOWS_LIBS lists their
# folders (each with include/ and lib/); scripts/build sets it. Defines
# norvale::sqlite3, norvale::libpq, norvale::xlsxwriter and norvale::mimalloc.

set(NORVALE_WINDOWS_LIBS "" CACHE STRING
  "Folders of the static Windows libraries (scripts/windows-libs --print)")

# Finds one static library file in the folders given.
function(norvale_windows_library target file)
  foreach(dir IN LISTS NORVALE_WINDOWS_LIBS)
    if(EXISTS "${dir}/lib/${file}")
      add_library(${target} STATIC IMPORTED GLOBAL)
      set_target_properties(${target} PROPERTIES
        IMPORTED_LOCATION "${dir}/lib/${file}"
        INTERFACE_INCLUDE_DIRECTORIES "${dir}/include")
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "${file} is not in NORVALE_WINDOWS_LIBS (${NORVALE_WINDOWS_LIBS}); "
    "scripts/setup builds it")
endfunction()

norvale_windows_library(norvale::sqlite3 libsqlite3.a)
norvale_windows_library(norvale_crypto libcrypto.a)
norvale_windows_library(norvale_ssl libssl.a)
norvale_windows_library(norvale::libpq libpq.a)
norvale_windows_library(norvale_zlib libz.a)
norvale_windows_library(norvale::xlsxwriter libxlsxwriter.a)
norvale_windows_library(norvale::mimalloc libmimalloc.a)

# CRYPT32, Secur32 and bcrypt are Windows' own DLLs but not known DLLs, so a
# static import would take a copy planted beside the program first. They are
# delay-loaded instead: nothing is loaded at start, and the program's entry
# point limits the DLL search to System32 before the first call loads them.
# The delay-import libraries are made from the toolchain's import libraries:
# every function they export (data exports cannot be delay-loaded).
function(norvale_delay_loaded_library target import_name dll)
  find_library(import_library_${import_name} NAMES lib${import_name}.a REQUIRED)
  set(import_library "${import_library_${import_name}}")
  execute_process(COMMAND "${CMAKE_NM}" -g --defined-only "${import_library}"
    OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "[0-9a-f]+ T [A-Za-z_][A-Za-z0-9_@]*" thunks "${symbols}")
  set(definition "LIBRARY ${dll}\nEXPORTS\n")
  foreach(thunk IN LISTS thunks)
    string(REGEX REPLACE "^[0-9a-f]+ T " "" function "${thunk}")
    string(APPEND definition "${function}\n")
  endforeach()
  if(NOT thunks)
    message(FATAL_ERROR "no functions found in ${import_library}")
  endif()
  set(folder "${CMAKE_BINARY_DIR}/delay-load")
  file(MAKE_DIRECTORY "${folder}")
  file(CONFIGURE OUTPUT "${folder}/${import_name}.def" CONTENT "${definition}" @ONLY)
  # Run in the folder: dlltool names its symbols after the output path.
  execute_process(COMMAND "${CMAKE_DLLTOOL}" --input-def ${import_name}.def
    --dllname "${dll}" --output-delaylib lib${import_name}_delay.a
    WORKING_DIRECTORY "${folder}" COMMAND_ERROR_IS_FATAL ANY)
  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION "${folder}/lib${import_name}_delay.a")
endfunction()

norvale_delay_loaded_library(norvale_delay_crypt32 crypt32 CRYPT32.dll)
norvale_delay_loaded_library(norvale_delay_secur32 secur32 Secur32.dll)
norvale_delay_loaded_library(norvale_delay_bcrypt bcrypt bcrypt.dll)

# What each library needs from Windows itself: sockets, the certificate
# store and random numbers for OpenSSL; SSPI and the user's folders for libpq.
set_property(TARGET norvale_crypto PROPERTY INTERFACE_LINK_LIBRARIES
  ws2_32 norvale_delay_crypt32 norvale_delay_bcrypt gdi32 advapi32 user32)
set_property(TARGET norvale_ssl PROPERTY INTERFACE_LINK_LIBRARIES norvale_crypto)
set_property(TARGET norvale::libpq PROPERTY INTERFACE_LINK_LIBRARIES
  norvale_ssl norvale_crypto norvale_delay_secur32 shell32 ws2_32 advapi32)
# libxlsxwriter zips the workbook with zlib and, as Debian builds it, takes
# its MD5 from OpenSSL.
set_property(TARGET norvale::xlsxwriter PROPERTY INTERFACE_LINK_LIBRARIES norvale_zlib norvale_crypto)
# mimalloc takes the system's random numbers from ADVAPI32.
set_property(TARGET norvale::mimalloc PROPERTY INTERFACE_LINK_LIBRARIES advapi32)

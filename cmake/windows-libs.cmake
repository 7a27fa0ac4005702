# SQLite, OpenSSL and libpq for norvale-fleet.exe: static Windows builds made
# from Debian's source packages by scripts/windows-libs, outside the clone.
# NORVALE_WINDOWS_LIBS lists their folders (each with include/ and lib/);
# scripts/build sets it. Defines norvale::sqlite3 and norvale::libpq.

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

# What each library needs from Windows itself: sockets, the certificate
# store and random numbers for OpenSSL; SSPI and the user's folders for libpq.
set_property(TARGET norvale_crypto PROPERTY INTERFACE_LINK_LIBRARIES ws2_32 crypt32 bcrypt gdi32 advapi32 user32)
set_property(TARGET norvale_ssl PROPERTY INTERFACE_LINK_LIBRARIES norvale_crypto)
set_property(TARGET norvale::libpq PROPERTY INTERFACE_LINK_LIBRARIES
  norvale_ssl norvale_crypto secur32 shell32 ws2_32 advapi32)

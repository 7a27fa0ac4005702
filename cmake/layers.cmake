# Checks that every source file includes only what its layer may use:
#
#   platform/        platform/ (interfaces only)
#   core/            core/, platform/
#   collectors/common/  core/, platform/, collectors/common/
#   collectors/<x>/  core/, platform/, collectors/common/, collectors/<x>/
#   app/             core/, platform/, collectors/, app/
#   fleet/common/    core/, fleet/common/
#   fleet/system/    core/, fleet/common/, fleet/system/ (the fleet's own OS layer:
#                    its interfaces and POSIX code; the Windows code is in
#                    platform/win32/fleet/)
#   fleet/store/     core/, fleet/common/, fleet/system/, fleet/store/
#   fleet/load/      the same and fleet/load/
#   fleet/query/     the store's and fleet/query/
#   fleet/report/    the query's and fleet/report/
#   fleet/ (the commands and the command-line runner)  core/, fleet/; only
#                    main.cpp includes the runner (fleet/cli.h)
#   platform/win32/  anything (the top: WinMain and the Windows implementations)
#
# and that nothing but platform/win32/ includes <windows.h> (or another
# Windows SDK header). Quoted includes are project paths; a layer's own files
# and the standard library are always fine.
#
# Usage: cmake -DROOT=<source tree> [-DSTAMP=<file touched on success>] -P layers.cmake
# Fails (exit code 1) and names each offending line when a rule is broken.

cmake_minimum_required(VERSION 3.20)

if(NOT ROOT)
  message(FATAL_ERROR "layers.cmake: ROOT is not set")
endif()

# Quoted include prefixes each layer may use.
# The interfaces speak in the program's plain value types (dates, times).
set(allowed_platform "platform/;core/value.h")
set(allowed_core "core/;platform/")
set(allowed_common "core/;platform/;collectors/common/")
set(allowed_app "core/;platform/;collectors/;app/")
set(allowed_fleet "core/;fleet/")
set(allowed_fleet_common "core/;fleet/common/")
set(allowed_fleet_system "core/;fleet/common/;fleet/system/")
set(allowed_fleet_store "${allowed_fleet_system};fleet/store/")
set(allowed_fleet_load "${allowed_fleet_store};fleet/load/")
set(allowed_fleet_query "${allowed_fleet_store};fleet/query/")
set(allowed_fleet_report "${allowed_fleet_query};fleet/report/")

# Windows SDK headers: only the Windows layer may see them.
set(windows_headers "windows.h;winsock2.h;ws2tcpip.h;wbemidl.h;ntsecapi.h;lm.h;shlobj.h;shlwapi.h;commctrl.h;objbase.h;oleauto.h;winreg.h;iphlpapi.h;setupapi.h;winspool.h")

file(GLOB_RECURSE sources RELATIVE "${ROOT}"
  "${ROOT}/core/*.h" "${ROOT}/core/*.cpp"
  "${ROOT}/collectors/*.h" "${ROOT}/collectors/*.cpp"
  "${ROOT}/app/*.h" "${ROOT}/app/*.cpp"
  "${ROOT}/fleet/*.h" "${ROOT}/fleet/*.cpp"
  "${ROOT}/platform/*.h" "${ROOT}/platform/*.cpp")

set(violations "")
foreach(source IN LISTS sources)
  if(source MATCHES "^platform/win32/")
    continue()
  endif()
  if(source MATCHES "^collectors/([^/]+)/")
    set(folder "${CMAKE_MATCH_1}")
    if(folder STREQUAL "common")
      set(allowed "${allowed_common}")
    else()
      set(allowed "${allowed_common};collectors/${folder}/")
    endif()
  elseif(source MATCHES "^collectors/")
    # Files beside the collector folders may use any of them.
    set(allowed "${allowed_common};collectors/")
  elseif(source MATCHES "^core/")
    set(allowed "${allowed_core}")
  elseif(source MATCHES "^app/")
    set(allowed "${allowed_app}")
  elseif(source MATCHES "^fleet/(common|system|store|load|query|report)/")
    set(allowed "${allowed_fleet_${CMAKE_MATCH_1}}")
  elseif(source MATCHES "^fleet/")
    set(allowed "${allowed_fleet}")
  else()
    set(allowed "${allowed_platform}")
  endif()

  file(STRINGS "${ROOT}/${source}" lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS lines)
    if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
      set(target "${CMAKE_MATCH_1}")
      # A path without a folder is a file beside this one.
      if(NOT target MATCHES "/")
        continue()
      endif()
      set(ok FALSE)
      foreach(prefix IN LISTS allowed)
        string(LENGTH "${prefix}" length)
        string(SUBSTRING "${target}" 0 ${length} head)
        if(head STREQUAL prefix)
          set(ok TRUE)
        endif()
      endforeach()
      if(target MATCHES "^platform/win32/")
        set(ok FALSE)
      endif()
      # The program's entry hands the command table to the runner: no command
      # includes the runner back.
      if(target STREQUAL "fleet/cli.h" AND NOT source MATCHES "^fleet/(main|cli)\\.cpp$")
        set(ok FALSE)
      endif()
      if(NOT ok)
        list(APPEND violations "${source}: #include \"${target}\" reaches outside its layer")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
      string(TOLOWER "${CMAKE_MATCH_1}" target)
      if(target IN_LIST windows_headers)
        list(APPEND violations "${source}: #include <${CMAKE_MATCH_1}> belongs in platform/win32/")
      endif()
    endif()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Layer rules broken:\n  ${text}")
endif()
if(STAMP)
  file(TOUCH "${STAMP}")
endif()

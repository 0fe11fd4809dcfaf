# Checks the built .exe the way Windows will see it, without running it: which DLLs and functions
# it imports, the Windows version its header asks for, its version resource and manifest, its size.
# Usage: cmake -DEXE= -DOBJDUMP= -DWINDRES= -DALLOWED_IMPORTS= -DVERSION= [-DSIZE_LIMIT=] -P this
cmake_minimum_required(VERSION 3.25)
set(problems "")
macro(problem text)
  list(APPEND problems "${text}")
endmacro()

# Runs a tool and returns its output; a failure is a problem of the .exe, reported with the rest.
macro(run_tool out)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE ${out} ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    string(STRIP "${err}" err)
    string(REPLACE ";" "," err "${err}")
    problem("${ARGV1} failed: ${err}")
  endif()
endmacro()

# --- The PE header and the import table.
run_tool(headers "${OBJDUMP}" -p "${EXE}")
string(REPLACE ";" "," headers "${headers}")
string(REPLACE "\n" ";" lines "${headers}")

foreach(field Subsystem OSystem)
  string(REGEX MATCH "Major${field}Version\t+([0-9]+)" _ "${headers}")
  set(major "${CMAKE_MATCH_1}")
  string(REGEX MATCH "Minor${field}Version\t+([0-9]+)" _ "${headers}")
  set(minor "${CMAKE_MATCH_1}")
  if(major STREQUAL "" OR minor STREQUAL "")
    problem("no ${field} version in the PE header")
  elseif(major GREATER 5 OR (major EQUAL 5 AND minor GREATER 1))
    problem("${field} version ${major}.${minor}: Windows XP SP2 runs 5.01 and lower only")
  endif()
endforeach()
if(NOT headers MATCHES "Subsystem\t+00000003")
  problem("not a console program (Subsystem 3, Windows CUI)")
endif()

file(STRINGS "${ALLOWED_IMPORTS}" allowed REGEX "^[^#]")
string(TOUPPER "${allowed}" allowed)
set(allowed_dlls KERNEL32.DLL ADVAPI32.DLL MSVCRT.DLL)
set(dll "")
set(imports "")
foreach(line IN LISTS lines)
  if(line MATCHES "^\tDLL Name: (.+)$")
    string(TOUPPER "${CMAKE_MATCH_1}" dll)
    if(NOT dll IN_LIST allowed_dlls)
      # A runtime DLL here (libstdc++, libgcc, winpthread) means the static link came undone.
      problem("imports ${CMAKE_MATCH_1}: only KERNEL32.dll, ADVAPI32.dll and msvcrt.dll may be")
    endif()
  elseif(dll STREQUAL "" OR line MATCHES "^\tvma:")
  elseif(line STREQUAL "" OR NOT line MATCHES "^\t")
    set(dll "")
  elseif(line MATCHES "^\t[0-9a-f]+\t +[0-9]+ +([^ ]+)")
    list(APPEND imports "${dll} ${CMAKE_MATCH_1}")
  else()
    problem("unreadable import of ${dll} (by ordinal?): '${line}'")
  endif()
endforeach()
set(unknown "")
foreach(import IN LISTS imports)
  string(TOUPPER "${import}" key)
  if(NOT key IN_LIST allowed)
    list(APPEND unknown "${import}")
  endif()
endforeach()
if(unknown)
  list(JOIN unknown "\n    " unknown)
  problem("imports not known to exist on Windows XP SP2 (confirm each, then add it to \
${ALLOWED_IMPORTS}):\n    ${unknown}")
endif()
# Guards against a change in objdump's layout turning the checks above into a silent pass.
string(TOUPPER "${imports}" upper_imports)
if(NOT "ADVAPI32.DLL REGSETVALUEEXA" IN_LIST upper_imports)
  problem("the import table was not read (RegSetValueExA not found): has objdump's output changed?")
endif()

# --- The resources, decompiled back to .rc text.
run_tool(resources "${WINDRES}" --input "${EXE}" --output-format rc)
if(rc EQUAL 0)  # else there is no resource section to look into
  string(REPLACE "." ", " numeric "${VERSION}.0")
  foreach(expected
      " FILEVERSION ${numeric}\n"
      " PRODUCTVERSION ${numeric}\n"
      "VALUE \"FileVersion\", \"${VERSION}.0\""
      "VALUE \"ProductVersion\", \"${VERSION}.0\""
      "VALUE \"ProductName\", \"Tamberwyckle\""
      "VALUE \"OriginalFilename\", \"tamberwyckle.exe\""
      "VALUE \"LegalCopyright\", \"Copyright (c) 2026 The Tamberwyckle developers"
      "VALUE \"FileDescription\", \"Sets Word 2007's default save format\"")
    string(FIND "${resources}" "${expected}" at)
    if(at EQUAL -1)
      string(STRIP "${expected}" expected)
      problem("version resource lacks: ${expected}")
    endif()
  endforeach()

  string(REGEX MATCH "\n1 24 /\\* RT_MANIFEST \\*/\nBEGIN\n[^\n]*(\n  \"[^\n]*)*\nEND" manifest
         "${resources}")
  if(manifest STREQUAL "")
    problem("no application manifest (resource 1 of type 24)")
  else()
    foreach(expected
        "level=\"\"asInvoker\"\""
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}"  # Vista
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"  # 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"  # 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"  # 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}")  # 10 and 11
      string(FIND "${manifest}" "${expected}" at)
      if(at EQUAL -1)
        problem("manifest lacks ${expected}")
      endif()
    endforeach()
  endif()
endif()

# --- Size, for the builds meant for release.
if(SIZE_LIMIT)
  file(SIZE "${EXE}" size)
  if(size GREATER_EQUAL SIZE_LIMIT)
    problem("${size} bytes: a release .exe must stay under ${SIZE_LIMIT}")
  endif()
  message(STATUS "${EXE}: ${size} bytes")
endif()

if(problems)
  list(JOIN problems "\n  " problems)
  message(FATAL_ERROR "${EXE}:\n  ${problems}")
endif()

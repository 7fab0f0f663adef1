# Holds ARCHITECTURE.md against the tree (cmake -P): every folder under src/ must be described
# there, and every path it names in backquotes must exist.
#   ROOT=<dir>   the source tree
if(NOT DEFINED ROOT)
  message(FATAL_ERROR "MapCheck: ROOT is not set")
endif()
file(READ ${ROOT}/ARCHITECTURE.md map)
set(faults)
string(REGEX MATCHALL "`[^`]+`" quoted "${map}")
foreach(q ${quoted})
  string(REGEX REPLACE "^`|`$" "" path "${q}")
  if(path MATCHES "^(src|tests|data|cmake|scripts|bench|fuzz|tools|\\.ci)/[^ ]*$"
     OR path MATCHES "^[A-Za-z]+\\.(md|txt)$|^CMakeLists\\.txt$")
    string(REGEX REPLACE "<[a-z]+>.*$" "" path "${path}")  # `tests/<area>/` names the folder
    if(NOT EXISTS ${ROOT}/${path})
      list(APPEND faults "the map names ${path}, which does not exist")
    endif()
  endif()
endforeach()
file(GLOB folders LIST_DIRECTORIES true RELATIVE ${ROOT} ${ROOT}/src/* ${ROOT}/src/platform/*)
foreach(folder ${folders})
  if(IS_DIRECTORY ${ROOT}/${folder} AND NOT map MATCHES "`${folder}/`")
    list(APPEND faults "${folder}/ is not described in the map")
  endif()
endforeach()
if(faults)
  string(REPLACE ";" "\n  " shown "${faults}")
  message(FATAL_ERROR "ARCHITECTURE.md has fallen behind the code:\n  ${shown}")
endif()

# Writes the build's metadata into OUTPUT at build time (cmake -P).
# Inputs: OUTPUT, SOURCE_DIR, VERSION, PRODUCT, COMPANY, COPYRIGHT, HOME_PAGE, EMAIL;
# the environment's SOURCE_DATE_EPOCH fixes the build time for reproducible builds.
#
# The file is rewritten only when what identifies the build changes (version,
# `git describe`, SOURCE_DATE_EPOCH), so an unchanged tree relinks nothing; the
# build time is then the time of the first build of that state.
execute_process(COMMAND git describe --tags --always --dirty
                WORKING_DIRECTORY "${SOURCE_DIR}"
                OUTPUT_VARIABLE describe OUTPUT_STRIP_TRAILING_WHITESPACE
                ERROR_QUIET RESULT_VARIABLE git_result)
if(NOT git_result EQUAL 0 OR NOT describe MATCHES "^[A-Za-z0-9._+-]+$")
  set(describe "")
endif()
set(fixed_epoch "$ENV{SOURCE_DATE_EPOCH}")
if(NOT fixed_epoch MATCHES "^[0-9]+$")
  set(fixed_epoch "")
endif()

set(key "${VERSION}|${describe}|${fixed_epoch}|${PRODUCT}|${COMPANY}|${COPYRIGHT}|${HOME_PAGE}|${EMAIL}")
if(EXISTS "${OUTPUT}")
  file(STRINGS "${OUTPUT}" old_key LIMIT_COUNT 1 REGEX "^// key: ")
  if(old_key STREQUAL "// key: ${key}")
    return()
  endif()
endif()

if(fixed_epoch)
  set(epoch "${fixed_epoch}")
else()
  string(TIMESTAMP epoch "%s" UTC)
endif()

foreach(var PRODUCT COMPANY COPYRIGHT HOME_PAGE EMAIL)
  string(REPLACE "\\" "\\\\" ${var} "${${var}}")
  string(REPLACE "\"" "\\\"" ${var} "${${var}}")
endforeach()

file(WRITE "${OUTPUT}.tmp" "// key: ${key}
// Generated at build time by WriteBuildInfo.cmake; not in the source tree.
#include \"BuildInfo.h\"

const TBuildInfo& BuildInfo()
{
    static const TBuildInfo info{\"${VERSION}\", \"${describe}\", ${epoch}LL, \"${PRODUCT}\", \"${COMPANY}\",
                                 \"${COPYRIGHT}\", \"${HOME_PAGE}\", \"${EMAIL}\"};
    return info;
}
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")

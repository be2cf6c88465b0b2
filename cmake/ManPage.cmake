# Script mode: turns a manual page written for scdoc into the installed form, roff compressed with
# gzip -9n (no name, no time stamp: the same source gives the same bytes).
#   cmake -DSCDOC=... -DGZIP=... -DSOURCE=x.1.scd -DOUTPUT=x.1.gz -DVERSION=2.1.0.0 -P ManPage.cmake
cmake_minimum_required(VERSION 3.25)
file(READ "${SOURCE}" text)
string(REPLACE "@VERSION@" "${VERSION}" text "${text}")
get_filename_component(work "${OUTPUT}" DIRECTORY)
get_filename_component(name "${OUTPUT}" NAME_WLE)
file(WRITE "${work}/${name}.scd" "${text}")
execute_process(COMMAND "${SCDOC}" INPUT_FILE "${work}/${name}.scd" OUTPUT_VARIABLE roff
                ERROR_VARIABLE problem RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "scdoc failed on ${SOURCE}: ${problem}")
endif()
# The pages are German; groff's hyphenation patterns are English, so words are not split at all.
string(REGEX REPLACE "(\n\\.TH [^\n]*\n)" "\\1.nh\n" roff "${roff}")
file(WRITE "${work}/${name}" "${roff}")
execute_process(COMMAND "${GZIP}" -9n -c "${work}/${name}" OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip failed on ${work}/${name}")
endif()

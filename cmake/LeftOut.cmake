# What a build leaves out because a tool or library is missing. An ordinary build says so and goes
# on; with QUORVANE_REQUIRE_COMPLETE (./test.sh, which installs everything first) a missing piece is an
# error that names it, so a test run never passes quietly without some of its tests.
option(QUORVANE_REQUIRE_COMPLETE "Fail the configuration when a test or program would be left out" OFF)

function(quorvane_left_out what)
  if(QUORVANE_REQUIRE_COMPLETE)
    message(FATAL_ERROR "Es fehlt etwas, ohne das Tests ausfallen würden: ${what}\n"
                        "scripts/install-deps.sh installiert und baut es.")
  endif()
  message(STATUS "${what}")
endfunction()

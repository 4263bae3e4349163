# Fails when a file outside src/ui and src/app includes a Qt header: the
# engine, the simulated cards, and their tests and benchmarks (only those of
# the windows, tests/ui and bench/ui, and the tests of the installed window
# program, tests/install, may use Qt; tests/fixtures holds the check's own
# leaks).
set(files "")
foreach(dir IN ITEMS src sim tests bench)
  file(GLOB_RECURSE found
    ${ROOT}/${dir}/*.h ${ROOT}/${dir}/*.hpp ${ROOT}/${dir}/*.cpp ${ROOT}/${dir}/*.cc ${ROOT}/${dir}/*.c)
  list(APPEND files ${found})
endforeach()
set(offenders "")
foreach(f IN LISTS files)
  file(RELATIVE_PATH rel ${ROOT} ${f})
  if(rel MATCHES "^src/(ui|app)/" OR rel MATCHES "^(tests|bench)/ui/" OR rel MATCHES "^tests/install/" OR rel MATCHES "^tests/fixtures/")
    continue()
  endif()
  file(STRINGS ${f} hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|Qt)")
  if(hits)
    list(APPEND offenders "${rel}: ${hits}")
  endif()
endforeach()
if(offenders)
  string(REPLACE ";" "\n  " text "${offenders}")
  message(FATAL_ERROR "Qt headers below the windows:\n  ${text}")
endif()
list(LENGTH files count)
message(STATUS "engine is free of Qt (${count} files checked)")

# Run by cpack after it has made the Debian package (CPACK_POST_BUILD_SCRIPTS).
#
# CPack gives every package with a shared library below /usr/lib maintainer
# scripts that call ldconfig. The card libraries live in /usr/lib/tessor,
# which the loader's cache does not cover, so the call does nothing but run
# a script at every install and removal: the package is rebuilt without the
# scripts when they hold nothing else.

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  set(tree "${package}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb -R "${package}" "${tree}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot unpack ${package} to drop its ldconfig scripts")
  endif()
  set(changed FALSE)
  foreach(script IN ITEMS postinst postrm)
    set(path "${tree}/DEBIAN/${script}")
    if(EXISTS "${path}")
      file(READ "${path}" text)
      # What CPack writes: a shell header and one ldconfig call.
      string(REGEX REPLACE "#!/bin/sh|set -e|if \\[ \"\\$1\" = \"(configure|remove)\" \\]; then|ldconfig|fi|[ \t\n]" "" rest "${text}")
      if(rest STREQUAL "")
        file(REMOVE "${path}")
        set(changed TRUE)
      endif()
    endif()
  endforeach()
  if(changed)
    execute_process(COMMAND dpkg-deb --root-owner-group -b "${tree}" "${package}"
      OUTPUT_QUIET RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "cannot pack ${package} again without its ldconfig scripts")
    endif()
  endif()
  file(REMOVE_RECURSE "${tree}")
endforeach()

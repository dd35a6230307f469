# The Debian package, built by CPack (scripts/build-deb.sh). Its library
# dependencies come from dpkg-shlibdeps, in Debian's package names; what the
# program needs only at run time is named here.
set(QM5_PACKAGE_MAINTAINER "QM5 developers <qm5@localhost>"
  CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qm5)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QM5_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dictation practice player for language learners")
# The long description; CPack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"QM5 plays a recording (mp3, wma, RealMedia, the other audio types libmpv
plays, or a web address) and lets you cut it into numbered blocks by pressing
space at each pause. Then you drill block by block: play, repeat, pause after
each block or wait as long as it took, step forward and back, and keep one
note line per block. Cut points and notes are kept in a block file (.bsd).
A built-in browser opens media links in the player.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Used at run time only, so dpkg-shlibdeps cannot see them: the Japanese font
# the windows ask for, Qt's own Japanese texts, the US English speech model the
# alignment reads (the alignment module's libraries themselves are read by
# dpkg-shlibdeps), and the packages holding the
# libraries the program opens itself (QM5_DLOPEN_SONAMES), as installed where
# the package is built. The program's own modules are in the package, and
# dpkg-shlibdeps reads theirs. The X11 platform plugin comes with libqt6gui6
# and the web engine's helper process with libqt6webenginecore6-bin, both
# among the libraries' packages; Wayland's plugin is recommended.
set(qm_runtime_packages fonts-ipafont-gothic qt6-translations-l10n pocketsphinx-en-us)
find_program(QM5_DPKG_QUERY dpkg-query)
set(qm_sonames ${QM5_DLOPEN_SONAMES})
if(NOT QM5_DPKG_QUERY)
  message(WARNING "dpkg-query is missing: the Debian package will not depend on ${qm_sonames}")
  set(qm_sonames)
endif()
foreach(soname IN LISTS qm_sonames)
  # The file in this architecture's library folder, wherever that lies.
  set(pattern "*/${soname}")
  if(CMAKE_LIBRARY_ARCHITECTURE)
    set(pattern "*/${CMAKE_LIBRARY_ARCHITECTURE}/${soname}")
  endif()
  execute_process(COMMAND ${QM5_DPKG_QUERY} -S ${pattern}
    OUTPUT_VARIABLE owners ERROR_VARIABLE why RESULT_VARIABLE rc)
  # Lines "libmpv2:amd64: /usr/lib/x86_64-linux-gnu/libmpv.so.2"; several
  # packages share one line as "a:amd64, b:i386: path". Diversions are no owners.
  string(REPLACE "\n" ";" lines "${owners}")
  set(found)
  foreach(line IN LISTS lines)
    if(line MATCHES "^diversion ")
      continue()
    endif()
    if(line MATCHES "^([^ ].*): /")
      string(REPLACE ", " ";" names "${CMAKE_MATCH_1}")
      foreach(name IN LISTS names)
        string(REGEX REPLACE ":.*" "" name "${name}")
        list(APPEND found ${name})
      endforeach()
    endif()
  endforeach()
  if(NOT rc EQUAL 0 OR NOT found)
    message(FATAL_ERROR "no installed Debian package holds ${soname}, which the program opens at run "
      "time (scripts/install-deps.sh installs it): ${why}")
  endif()
  list(APPEND qm_runtime_packages ${found})
endforeach()
list(REMOVE_DUPLICATES qm_runtime_packages)
string(JOIN ", " CPACK_DEBIAN_PACKAGE_DEPENDS ${qm_runtime_packages})
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
include(CPack)

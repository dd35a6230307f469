# Where the program finds its module, and the installed tree as a desktop
# sees it.
qm_add_test(test_installlayout SOURCES install/InstallLayoutTest.cpp LIBS qm_common)
target_compile_definitions(test_installlayout PRIVATE
  QM5_BROWSER_MODULE_FILE="$<TARGET_FILE_NAME:qm5_webengine>"
  QM5_MODULE_INSTALL_DIR="${QM5_MODULE_INSTALL_DIR}"
  QM5_TEST_FOLDER="$<TARGET_FILE_DIR:test_installlayout>")
add_dependencies(test_installlayout qm5_webengine)

# --version names the module the program would load (app/CommandLineTest.cpp).
if(TARGET test_commandline)
  target_compile_definitions(test_commandline PRIVATE
    QM5_BROWSER_MODULE="$<TARGET_FILE:qm5_webengine>"
    QM5_MODULE_DIR_FROM_BINDIR="${QM5_MODULE_DIR_FROM_BINDIR}")
endif()

# Installs the built tree into a temporary prefix and checks it; needs the
# program, its module and the desktop data built (the default target).
add_test(NAME install_tree
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install/install-tree.sh ${CMAKE_BINARY_DIR} ${QM5_APP_ID}
    ${CMAKE_INSTALL_BINDIR} ${QM5_MODULE_INSTALL_DIR} ${CMAKE_INSTALL_DATADIR} ${CMAKE_INSTALL_MANDIR})
set_tests_properties(install_tree PROPERTIES TIMEOUT 180)

# Makes the Debian package from the built tree (cpack, into a temporary
# folder) and checks its Depends; needs the default target built, as above.
# Not in the sanitizer tree: no package is made from that build.
if(NOT QM5_SANITIZE)
  add_test(NAME package_depends
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install/package-depends.sh ${CMAKE_BINARY_DIR} ${QM5_DLOPEN_SONAMES})
  set_tests_properties(package_depends PROPERTIES TIMEOUT 300)
endif()

# Installing like a server: the programs, the files they share with their
# users, the man pages and the systemd units; and the Debian package built from
# the same rules (make deb). Included last by the top-level CMakeLists.txt.
include(GNUInstallDirs)

set(ARENE_DONNEES_INSTALLEES ${CMAKE_INSTALL_DATADIR}/arene)
set(ARENE_UNITES_SYSTEMD lib/systemd/system CACHE STRING
    "Where the systemd units go, relative to the installation prefix")
set(ARENE_MAINTENEUR "arene maintainers <maintainers@arene.invalid>" CACHE STRING
    "Maintainer named in the Debian package")

# Where the programs find the viewer page, the bots, the kits and the guides
# once installed: the folder beside their bin/, known when configuring.
file(RELATIVE_PATH donnees_depuis_bin ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/arene)
add_library(arene_donnees STATIC tools/commun/donnees.cpp)
target_include_directories(arene_donnees PUBLIC tools)
target_compile_definitions(arene_donnees PRIVATE
  ARENE_DONNEES="${CMAKE_INSTALL_FULL_DATADIR}/arene"
  ARENE_DONNEES_RELATIVES="${donnees_depuis_bin}"
  ARENE_SOURCES="${PROJECT_SOURCE_DIR}"
  ARENE_CONSTRUCTION="${CMAKE_BINARY_DIR}")
if(ARENE_TESTS)
  target_sources(outils_tests PRIVATE tests/outils/donnees_test.cpp)
  target_link_libraries(outils_tests PRIVATE arene_donnees)
endif()

# The programs this build has: the companions are skipped when their libraries are missing.
set(programmes)
foreach(programme arene arene-arbitre arene-relecture arene-pilote arene-charge arene-tournoi
                  arene-ligue)
  if(TARGET ${programme})
    list(APPEND programmes ${programme})
  endif()
endforeach()
install(TARGETS ${programmes} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The shared files, each once it is in the tree.
if(EXISTS ${PROJECT_SOURCE_DIR}/web/visionneuse.html)
  install(FILES web/visionneuse.html DESTINATION ${ARENE_DONNEES_INSTALLEES}/web)
endif()
# Kits and bots as a bot author copies them, with the tests their READMEs tell
# how to run, but without this tree's build and CI plumbing (the C and C++
# kits' tests need the tree's GoogleTest set-up).
foreach(dossier kits bots tournois)
  if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/${dossier})
    install(DIRECTORY ${dossier}/ DESTINATION ${ARENE_DONNEES_INSTALLEES}/${dossier}
            USE_SOURCE_PERMISSIONS
            PATTERN CMakeLists.txt EXCLUDE
            PATTERN __pycache__ EXCLUDE
            PATTERN conversation_test.h EXCLUDE
            PATTERN essai_serveur.py EXCLUDE
            PATTERN essai_installation.py EXCLUDE
            PATTERN verifie_readme.py EXCLUDE
            REGEX "kits/(c|cpp)/tests" EXCLUDE)
  endif()
endforeach()
# Every guide, with the pictures they show: a new one cannot be left out.
file(GLOB guides CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.md ${PROJECT_SOURCE_DIR}/docs/*.png)
install(FILES ${guides} DESTINATION ${ARENE_DONNEES_INSTALLEES}/docs)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# A man page per program, compressed as Debian wants them.
find_program(GZIP gzip REQUIRED)
set(pages_man)
foreach(programme ${programmes})
  set(page ${CMAKE_BINARY_DIR}/man/${programme}.1)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/man/${programme}.1 ${page}
    COMMAND ${GZIP} -9nf ${page}
    DEPENDS ${PROJECT_SOURCE_DIR}/man/${programme}.1
    VERBATIM)
  list(APPEND pages_man ${page}.gz)
endforeach()
add_custom_target(arene_pages_man ALL DEPENDS ${pages_man})
install(FILES ${pages_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The units name the programs by their installed path, known only at install
# time: cpack installs under /usr whatever prefix the build was configured with.
install(CODE "
  set(ARENE_BINAIRES \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(READ \"${PROJECT_SOURCE_DIR}/paquet/durcissement.conf\" ARENE_DURCISSEMENT)
  foreach(unite arene@.service arene-arbitre@.service)
    configure_file(\"${PROJECT_SOURCE_DIR}/paquet/\${unite}.in\"
                   \"${CMAKE_BINARY_DIR}/paquet/\${unite}\" @ONLY)
    file(INSTALL \"${CMAKE_BINARY_DIR}/paquet/\${unite}\"
         DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${ARENE_UNITES_SYSTEMD}\")
  endforeach()")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME arene)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time multiplayer arena game server for bot programs")
set(CPACK_PACKAGE_DESCRIPTION "Bots connect over TCP, register a ship under a colour and play with one-line
text commands, 40 ticks a second. The package holds the server (arene), the
match server with results and recordings (arene-arbitre), the terminal client
(arene-pilote), the load and health check tool (arene-charge), the recording
reader (arene-relecture), the tournament runner (arene-tournoi) and the class
league (arene-ligue) when built, the viewer page, client kits and sample bots,
and systemd unit templates that start one arena per port, shipped disabled.")
set(CPACK_PACKAGE_CONTACT "${ARENE_MAINTENEUR}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ARENE_MAINTENEUR}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The sample bots and the Python kit.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS python3)
# arene-tournoi runs every bot in a bubblewrap sandbox, and refuses to run without one.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS bubblewrap)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/paquet/postinst
    ${PROJECT_SOURCE_DIR}/paquet/prerm
    ${PROJECT_SOURCE_DIR}/paquet/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

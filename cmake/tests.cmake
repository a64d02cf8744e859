# arene_test(<name> SOURCES ... [LIBS ...] [BINAIRES ...] [DEFINITIONS ...]
#            [PROPRIETES ...])
# One GoogleTest program in one call: built from SOURCES, linked with LIBS and
# GoogleTest's main, free to include the harness under tests/. Each program of
# BINAIRES (arene, arene-arbitre, ...) is built first and its path given to the
# code as ARENE_BINAIRE, ARENE_ARBITRE, ...; PROPRIETES go to every test found.
function(arene_test nom)
  cmake_parse_arguments(PARSE_ARGV 1 t "" ""
                        "SOURCES;LIBS;BINAIRES;DEFINITIONS;PROPRIETES")
  add_executable(${nom} ${t_SOURCES})
  target_link_libraries(${nom} PRIVATE ${t_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${nom} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  foreach(binaire ${t_BINAIRES})
    target_compile_definitions(${nom} PRIVATE ${arene_test_macro_${binaire}}="$<TARGET_FILE:${binaire}>")
    add_dependencies(${nom} ${binaire})
  endforeach()
  if(t_DEFINITIONS)
    target_compile_definitions(${nom} PRIVATE ${t_DEFINITIONS})
  endif()
  set(proprietes)
  if(t_PROPRIETES)
    set(proprietes PROPERTIES ${t_PROPRIETES})
  endif()
  gtest_discover_tests(${nom} DISCOVERY_TIMEOUT 60 ${proprietes})
endfunction()

# The macro by which the harness knows each program it may start.
set(arene_test_macro_arene ARENE_BINAIRE)
set(arene_test_macro_arene-arbitre ARENE_ARBITRE)
set(arene_test_macro_arene-charge ARENE_CHARGE)
set(arene_test_macro_arene-relecture ARENE_RELECTURE)
set(arene_test_macro_arene-pilote ARENE_PILOTE)
set(arene_test_macro_arene-tournoi ARENE_TOURNOI)
set(arene_test_macro_arene-ligue ARENE_LIGUE)

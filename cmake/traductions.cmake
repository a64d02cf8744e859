# po/<langue>.po compiled into <build>/locale/<langue>/LC_MESSAGES/arene.mo,
# where the programs find them when run from the build, and installed under
# share/locale. Without msgfmt the programs speak English only.
find_program(ARENE_MSGFMT msgfmt)
if(NOT ARENE_MSGFMT)
  message(STATUS "Skipping the translations: gettext missing (make build installs it)")
  return()
endif()
file(GLOB fichiers_po CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/po/*.po)
set(catalogues)
foreach(po ${fichiers_po})
  get_filename_component(langue ${po} NAME_WE)
  set(dossier ${CMAKE_BINARY_DIR}/locale/${langue}/LC_MESSAGES)
  add_custom_command(
    OUTPUT ${dossier}/arene.mo
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dossier}
    COMMAND ${ARENE_MSGFMT} --check -o ${dossier}/arene.mo ${po}
    DEPENDS ${po}
    VERBATIM)
  list(APPEND catalogues ${dossier}/arene.mo)
  install(FILES ${dossier}/arene.mo DESTINATION ${CMAKE_INSTALL_LOCALEDIR}/${langue}/LC_MESSAGES)
endforeach()
add_custom_target(arene_traductions ALL DEPENDS ${catalogues})

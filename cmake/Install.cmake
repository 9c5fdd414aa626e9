# Installation: the programs live together in one program home,
# <libexecdir>/csindex, beside the pathconfig.xml that the install writes
# (the programs look for it in their own directory first), and bin/ holds
# links to them, so they run from any directory. The sample configuration goes
# to <sysconfdir>/csindex, the dictionary and the sample documents to
# <datadir>/csindex, the converters to the program home, the index and the
# logs below <localstatedir>. docs/operations.md describes the tree.
include(GNUInstallDirs)

set(CS_PROGRAMS csindexer cssearch cscheck)
set(CS_PROGRAM_HOME ${CMAKE_INSTALL_LIBEXECDIR}/csindex)
set(CS_DATA_HOME ${CMAKE_INSTALL_DATADIR}/csindex)

# The word dictionary and stop words, generated from Debian's word list.
set(CS_DICT_DIR ${PROJECT_BINARY_DIR}/dict)
add_custom_command(
  OUTPUT ${CS_DICT_DIR}/dictionary.txt ${CS_DICT_DIR}/stopwords.txt
  COMMAND python3 ${PROJECT_SOURCE_DIR}/tools/make-dictionary.py --output ${CS_DICT_DIR}
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/make-dictionary.py
  COMMENT "Building the word dictionary and stop words"
  VERBATIM)
add_custom_target(csdict ALL DEPENDS ${CS_DICT_DIR}/dictionary.txt ${CS_DICT_DIR}/stopwords.txt)

# The sample documents the installed configuration indexes out of the box.
set(CS_SAMPLE_DIR ${PROJECT_BINARY_DIR}/sample-docs)
add_custom_command(
  OUTPUT ${CS_SAMPLE_DIR}/stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CS_SAMPLE_DIR}
  COMMAND python3 ${PROJECT_SOURCE_DIR}/tools/make-sample-docs.py ${CS_SAMPLE_DIR}/docs
  COMMAND ${CMAKE_COMMAND} -E touch ${CS_SAMPLE_DIR}/stamp
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/make-sample-docs.py
  COMMENT "Writing the sample documents"
  VERBATIM)
add_custom_target(cssample ALL DEPENDS ${CS_SAMPLE_DIR}/stamp)

install(TARGETS ${CS_PROGRAMS} RUNTIME DESTINATION ${CS_PROGRAM_HOME})
install(PROGRAMS
  ${PROJECT_SOURCE_DIR}/converters/doc2txt
  ${PROJECT_SOURCE_DIR}/converters/xls2txt
  ${PROJECT_SOURCE_DIR}/converters/ppt2txt
  ${PROJECT_SOURCE_DIR}/converters/pdf2txt
  DESTINATION ${CS_PROGRAM_HOME}/converters)
install(FILES
  ${PROJECT_SOURCE_DIR}/converters/convert-common.sh
  ${PROJECT_SOURCE_DIR}/converters/pdf2txt.cfg
  DESTINATION ${CS_PROGRAM_HOME}/converters)
install(FILES ${CS_DICT_DIR}/dictionary.txt ${CS_DICT_DIR}/stopwords.txt DESTINATION ${CS_DATA_HOME}/dict)
install(DIRECTORY ${CS_SAMPLE_DIR}/docs DESTINATION ${CS_DATA_HOME}/sample)
install(FILES
  ${PROJECT_SOURCE_DIR}/man/csindexer.1
  ${PROJECT_SOURCE_DIR}/man/cssearch.1
  ${PROJECT_SOURCE_DIR}/man/cscheck.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/docs/operations.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# What depends on where the tree lands is written when it is installed, with
# the prefix of that moment (cmake --install --prefix may differ from the one
# configured): the configuration, pathconfig.xml, the links in bin/, the
# state directories and the scheduling examples.
install(CODE "
  set(CS_SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")
  set(CS_PROGRAMS \"${CS_PROGRAMS}\")
  set(CS_PROGRAM_HOME \"${CS_PROGRAM_HOME}\")
  set(CS_DATA_HOME \"${CS_DATA_HOME}\")
  set(CS_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
  set(CS_SYSCONFDIR \"${CMAKE_INSTALL_SYSCONFDIR}\")
  set(CS_LOCALSTATEDIR \"${CMAKE_INSTALL_LOCALSTATEDIR}\")
  set(CS_DOCDIR \"${CMAKE_INSTALL_DOCDIR}\")
")
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/InstallLayout.cmake)

# Run by cmake --install (see Install.cmake, which sets the CS_* variables):
# writes what names the installed tree's own paths, with the prefix of this
# install. Files an operator edits (the configuration) are kept when present.

set(prefix "${CMAKE_INSTALL_PREFIX}")
set(root "$ENV{DESTDIR}")

# Where GNUInstallDirs puts etc and var for this prefix: /etc and /var for the
# system prefixes, /etc/opt/<pkg> and /var/opt/<pkg> below /opt, else inside it.
function(cs_system_dir out dir)
  if(IS_ABSOLUTE "${dir}")
    set(full "${dir}")
  elseif(prefix STREQUAL "/" OR prefix STREQUAL "/usr")
    set(full "/${dir}")
  elseif(prefix MATCHES "^/opt/(.*)")
    set(full "/${dir}/opt/${CMAKE_MATCH_1}")
  else()
    set(full "${prefix}/${dir}")
  endif()
  set(${out} "${full}" PARENT_SCOPE)
endfunction()

function(cs_prefix_dir out dir)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  else()
    set(${out} "${prefix}/${dir}" PARENT_SCOPE)
  endif()
endfunction()

cs_system_dir(etcdir "${CS_SYSCONFDIR}")
cs_system_dir(statedir "${CS_LOCALSTATEDIR}")
cs_prefix_dir(bindir "${CS_BINDIR}")
cs_prefix_dir(homedir "${CS_PROGRAM_HOME}")
cs_prefix_dir(datadir "${CS_DATA_HOME}")
cs_prefix_dir(docdir "${CS_DOCDIR}")
set(confdir "${etcdir}/csindex")
set(indexdir "${statedir}/lib/csindex")
set(logdir "${statedir}/log/csindex")

# Writes `text` to the installed `path`, unless `keep` is set and it exists.
function(cs_write path text keep)
  if(keep AND EXISTS "${root}${path}")
    message(STATUS "Kept: ${root}${path}")
    return()
  endif()
  message(STATUS "Installing: ${root}${path}")
  file(WRITE "${root}${path}" "${text}")
endfunction()

# Replaces `from` by `to` in the variable `var`; the sample must hold `from`.
macro(cs_replace var from to)
  string(FIND "${${var}}" "${from}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the sample configuration no longer holds ${from}")
  endif()
  string(REPLACE "${from}" "${to}" ${var} "${${var}}")
endmacro()

# The configuration: the sample's, with its paths made absolute.
file(MAKE_DIRECTORY "${root}${confdir}")
file(READ "${CS_SOURCE_DIR}/conf/global.xml" global)
cs_replace(global "<source>sample/docs</source>" "<source>${datadir}/sample/docs</source>")
cs_replace(global "<path>var/index</path>" "<path>${indexdir}</path>")
cs_replace(global "<path>var/log</path>" "<path>${logdir}</path>")
cs_write("${confdir}/global.xml" "${global}" TRUE)
file(READ "${CS_SOURCE_DIR}/conf/dbinfo.txt" dbinfo)
cs_replace(dbinfo "filepath=sample/capture" "filepath=${statedir}/lib/csindex-capture")
cs_write("${confdir}/dbinfo.txt" "${dbinfo}" TRUE)
foreach(name content_mode.xml strres.xml search_keywords.xml trashurl.xml)
  file(READ "${CS_SOURCE_DIR}/conf/${name}" text)
  cs_write("${confdir}/${name}" "${text}" TRUE)
endforeach()

# pathconfig.xml in the program home: every entry relative to the
# configuration directory.
file(RELATIVE_PATH dict "${confdir}" "${datadir}/dict")
file(RELATIVE_PATH converters "${confdir}" "${homedir}/converters")
cs_write("${homedir}/pathconfig.xml" "<?xml version=\"1.0\" encoding=\"utf-8\"?>
<!-- Written by the installation: where the installed programs find their
     files. Every entry is relative to root. Edit the files in root, not this. -->
<pathconfig>
  <root>${confdir}/</root>
  <GLOBAL_CONFIG_PATH>global.xml</GLOBAL_CONFIG_PATH>
  <CONFIGURATE_PATH>content_mode.xml</CONFIGURATE_PATH>
  <DBINFO_PATH>dbinfo.txt</DBINFO_PATH>
  <STRRES_PATH>strres.xml</STRRES_PATH>
  <STOPWORD_PATH>${dict}/stopwords.txt</STOPWORD_PATH>
  <DICTIONARY_PATH>${dict}/dictionary.txt</DICTIONARY_PATH>
  <SEARCH_KEYWORDS_CONFIG>search_keywords.xml</SEARCH_KEYWORDS_CONFIG>
  <TRASHURL_STRING_CONFIG>trashurl.xml</TRASHURL_STRING_CONFIG>
  <OUT_DOC_EXE_PATH>${converters}/doc2txt</OUT_DOC_EXE_PATH>
  <OUT_XLS_EXE_PATH>${converters}/xls2txt</OUT_XLS_EXE_PATH>
  <OUT_PPT_EXE_PATH>${converters}/ppt2txt</OUT_PPT_EXE_PATH>
  <OUT_PDF_EXE_PATH>${converters}/pdf2txt</OUT_PDF_EXE_PATH>
  <PDF_PARAM_FILE_PATH>${converters}/pdf2txt.cfg</PDF_PARAM_FILE_PATH>
</pathconfig>
" FALSE)

# bin/: relative links into the program home, so the tree can be moved whole.
file(MAKE_DIRECTORY "${root}${bindir}")
file(RELATIVE_PATH tohome "${bindir}" "${homedir}")
foreach(program ${CS_PROGRAMS})
  message(STATUS "Installing: ${root}${bindir}/${program} -> ${tohome}/${program}")
  file(REMOVE "${root}${bindir}/${program}")
  file(CREATE_LINK "${tohome}/${program}" "${root}${bindir}/${program}" SYMBOLIC)
endforeach()

# The index root and the log directory (the logger creates one level only).
file(MAKE_DIRECTORY "${root}${indexdir}" "${root}${logdir}")

# Nightly runs: a systemd service and timer, and a cron line, with this tree's paths.
file(MAKE_DIRECTORY "${root}${docdir}/examples")
foreach(name csindexer.service csindexer.timer csindexer.cron)
  file(READ "${CS_SOURCE_DIR}/dist/${name}" text)
  string(REPLACE "@BINDIR@" "${bindir}" text "${text}")
  string(REPLACE "@PROGRAM_HOME@" "${homedir}" text "${text}")
  string(REPLACE "@INDEXDIR@" "${indexdir}" text "${text}")
  string(REPLACE "@LOGDIR@" "${logdir}" text "${text}")
  cs_write("${docdir}/examples/${name}" "${text}" FALSE)
endforeach()

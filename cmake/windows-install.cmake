# The installed folder: the two programs and "data" at the top, the speech
# library folder "voice", the translation service script in "mt", the text
# service DLL one level below in "tsf".
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION data)
# The native build's copy of the lexicon files with the image made from them
# (tools/make_lexicon_image.cpp): the same bytes, with the times the image
# records, so that the text service maps the image.
if(MIRADOT_LEXICON_DIR)
  install(DIRECTORY ${MIRADOT_LEXICON_DIR}/ DESTINATION data)
endif()
install(DIRECTORY DESTINATION voice)
install(FILES ${PROJECT_SOURCE_DIR}/mt/mt_win.py DESTINATION mt)

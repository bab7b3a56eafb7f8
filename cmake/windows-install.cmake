# The installed folder: the two programs and "data" at the top, the speech
# library folder "voice", the translation service script in "mt", the text
# service DLL one level below in "tsf".
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION data)
install(DIRECTORY DESTINATION voice)
install(FILES ${PROJECT_SOURCE_DIR}/mt/mt_win.py DESTINATION mt)

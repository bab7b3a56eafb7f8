# The installed folder: the two programs and "data" at the top, the speech
# library folder "voice", the text service DLL one level below in "tsf".
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION data)
install(DIRECTORY DESTINATION voice)

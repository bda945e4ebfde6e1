# vireo-examine: the Code Examiner on the command line; needs neither a display nor the bus.
add_executable(vireo-examine VireoExamineMain.cpp)
target_link_libraries(vireo-examine PRIVATE vireo_examiner)
install(TARGETS vireo-examine RUNTIME DESTINATION bin)

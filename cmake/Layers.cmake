# A folder holding sources belongs to exactly one target. Each sp_layer or sp_test_folder call
# records its folder and the subfolders below it that hold .cpp files; at the end of the
# configure step every such subfolder must have been given a target of its own, so that no
# source is silently left out of the build.
function(sp_claim_folder dir)
    get_filename_component(abs ${dir} ABSOLUTE)
    set_property(GLOBAL APPEND PROPERTY SP_CLAIMED_FOLDERS ${abs})
    file(GLOB_RECURSE nested LIST_DIRECTORIES false ${abs}/*/*.cpp)
    foreach(source IN LISTS nested)
        get_filename_component(folder ${source} DIRECTORY)
        set_property(GLOBAL APPEND PROPERTY SP_NESTED_FOLDERS ${folder})
    endforeach()
    get_property(scheduled GLOBAL PROPERTY SP_FOLDER_CHECK_SCHEDULED)
    if(NOT scheduled)
        set_property(GLOBAL PROPERTY SP_FOLDER_CHECK_SCHEDULED TRUE)
        cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL sp_check_nested_folders)
    endif()
endfunction()

function(sp_check_nested_folders)
    get_property(claimed GLOBAL PROPERTY SP_CLAIMED_FOLDERS)
    get_property(nested GLOBAL PROPERTY SP_NESTED_FOLDERS)
    list(REMOVE_DUPLICATES nested)
    foreach(folder IN LISTS nested)
        if(NOT folder IN_LIST claimed)
            file(RELATIVE_PATH shown ${PROJECT_SOURCE_DIR} ${folder})
            message(FATAL_ERROR "${shown} holds sources but has no target of its own: give it "
                                "one (sp_layer or sp_test_folder) or move its files up")
        endif()
    endforeach()
endfunction()

# One static library per layer. Sources are gathered from the layer's folder (not its
# subfolders, which need targets of their own), so adding a unit needs no edit here; the link
# lines below are the layering. EXCLUDE names files of the folder that belong elsewhere (a
# program's main.cpp).
function(sp_layer name dir)
    cmake_parse_arguments(ARG "" "" "LINK;EXCLUDE" ${ARGN})
    sp_claim_folder(${dir})
    file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
    foreach(excluded ${ARG_EXCLUDE})
        list(FILTER sources EXCLUDE REGEX "/${excluded}$")
    endforeach()
    # The headers are listed too, so that the meta-object compiler sees a header whose class is
    # implemented in files of other names (one class split by theme).
    set(units ${sources})
    list(FILTER units INCLUDE REGEX "\\.cpp$")
    if(units)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} PUBLIC ${ARG_LINK})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} INTERFACE ${ARG_LINK})
    endif()
endfunction()

# One GoogleTest executable per test folder; every *.cpp in it is a test file.
function(sp_test_folder name dir)
    cmake_parse_arguments(ARG "" "" "LINK;FIXTURES" ${ARGN})
    sp_claim_folder(${dir})
    file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
    if(NOT sources)
        return()
    endif()
    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE ${ARG_LINK} sp_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
    set(props ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    if(ARG_FIXTURES)
        list(APPEND props FIXTURES_REQUIRED "${ARG_FIXTURES}")
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()

# An executable that loads filter libraries: they register their filters in the host's filter
# mapper and build on the host's framework classes, so the host exports its symbols and carries
# the whole framework layer, not only the parts it uses itself.
function(sp_filter_library_host name)
    set_target_properties(${name} PROPERTIES ENABLE_EXPORTS ON)
    target_link_options(${name} PRIVATE "LINKER:--whole-archive" "$<TARGET_FILE:sp_graph>"
                        "LINKER:--no-whole-archive")
    add_dependencies(${name} sp_graph)
endfunction()

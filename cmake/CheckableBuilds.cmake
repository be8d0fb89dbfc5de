# Builds that anyone can check: the same commit gives the same programs, byte for byte, and the
# Linux programs carry the hardening that Debian gives its own packages. Every target takes these
# through velbrisk_options.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    return()
endif()

# Debug information and __FILE__ name the sources relative to the tree, so that the folder the
# tree was unpacked in leaves no trace. The compiler takes the last map that matches, so a build
# folder inside the tree is named by its own map, whatever it is called. A Debug build (coverage)
# keeps the full paths, by which gcov finds the sources.
target_compile_options(velbrisk_options INTERFACE
    "$<$<NOT:$<CONFIG:Debug>>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.;-ffile-prefix-map=${PROJECT_BINARY_DIR}=build>")

if(WIN32)
    # The linker would write the time of the link into the PE header.
    target_link_options(velbrisk_options INTERFACE -Wl,--no-insert-timestamp)
    return()
endif()

# The distribution's hardening flags, as dpkg-buildflags gives them to Debian's own packages
# (_FORTIFY_SOURCE, the stack protector, full RELRO with immediate binding), without its -g and
# -O2 and its own path map: the build type and the maps above decide those. _FORTIFY_SOURCE
# needs an optimised build, so a Debug build (coverage) goes without.
find_program(VELBRISK_DPKG_BUILDFLAGS dpkg-buildflags DOC "Debian's compiler and linker flags")
if(NOT VELBRISK_DPKG_BUILDFLAGS)
    message(STATUS "No dpkg-buildflags: the programs are built without the distribution's hardening")
    return()
endif()
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env
                "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-fixfilepath,-fixdebugpath"
                "DEB_${kind}_MAINT_STRIP=-g -O2" ${VELBRISK_DPKG_BUILDFLAGS} --get ${kind}
        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(distribution_${kind} UNIX_COMMAND "${flags}")
endforeach()
target_compile_options(velbrisk_options INTERFACE
    "$<$<NOT:$<CONFIG:Debug>>:${distribution_CPPFLAGS};${distribution_CXXFLAGS}>")
target_link_options(velbrisk_options INTERFACE
    "$<$<NOT:$<CONFIG:Debug>>:${distribution_LDFLAGS}>")

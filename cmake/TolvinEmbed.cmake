# tolvin_embed(<out.cpp> <input> <symbol>): compiles a file's bytes into the program as
#   extern const unsigned char <symbol>[]; extern const unsigned <symbol>_size;
# The Linux build uses it for the layout document, so that tests read exactly the bytes
# the Windows resource script compiles in.
function(tolvin_embed out input symbol)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${out} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/TolvinEmbedRun.cmake
    DEPENDS ${input} ${PROJECT_SOURCE_DIR}/cmake/TolvinEmbedRun.cmake
    VERBATIM)
endfunction()

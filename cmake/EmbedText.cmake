# tuim_embed_text(TARGET FILE SYMBOL): compiles FILE into TARGET as
#   namespace tuim { extern const char SYMBOL[]; extern const unsigned long SYMBOL_size; }
# regenerated whenever FILE changes, so the program carries the text without reading it at run time.
function(tuim_embed_text target file symbol)
  get_filename_component(_abs ${file} ABSOLUTE)
  set(_out ${CMAKE_CURRENT_BINARY_DIR}/${symbol}_embedded.cpp)
  add_custom_command(
    OUTPUT ${_out}
    COMMAND ${CMAKE_COMMAND} -DIN=${_abs} -DOUT=${_out} -DSYMBOL=${symbol}
            -P ${CMAKE_SOURCE_DIR}/cmake/EmbedTextGen.cmake
    DEPENDS ${_abs} ${CMAKE_SOURCE_DIR}/cmake/EmbedTextGen.cmake
    COMMENT "Embedding ${file}"
    VERBATIM)
  target_sources(${target} PRIVATE ${_out})
endfunction()

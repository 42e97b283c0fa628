# Common compile settings for every target of the project, applied per
# target so that nothing leaks into third-party code.
function(kelvra_target target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
    target_compile_definitions(${target} PRIVATE
        QT_NO_KEYWORDS_DISABLED
        KELVRA_VERSION="${PROJECT_VERSION}")
    if(KELVRA_SANITIZE)
        # Undefined behaviour ends the program instead of printing a line
        # that a passing test would hide.
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined
            -fno-sanitize-recover=all -fno-omit-frame-pointer)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
endfunction()

# The program's icon at the usual hicolor sizes, rendered from packaging/quillmora.svg at build
# time so the pictures never drift from the drawing. The PNGs go to the icon theme (QmInstall)
# and into the program itself, which sets them on every window.
find_program(QM_RSVG_CONVERT rsvg-convert)
if(NOT QM_RSVG_CONVERT)
    message(FATAL_ERROR "rsvg-convert is missing (librsvg2-bin; make bootstrap installs it)")
endif()

set(QM_ICON_SIZES 16 22 24 32 48 64 128 256)
# Window icons go to the window manager in one X request (_NET_WM_ICON); with the 256 px picture
# it outgrows the request limit and Qt drops sizes, so windows get the sizes up to this one.
set(QM_WINDOW_ICON_MAX 128)
set(QM_ICON_DIR ${PROJECT_BINARY_DIR}/icons/hicolor)
set(QM_ICON_SVG ${PROJECT_SOURCE_DIR}/packaging/quillmora.svg)

# Adds the rendered PNGs up to QM_WINDOW_ICON_MAX to TARGET as the Qt resources
# :/icons/quillmora-<size>.png.
function(qm_add_program_icon target)
    set(pngs)
    foreach(size ${QM_ICON_SIZES})
        set(dir ${QM_ICON_DIR}/${size}x${size}/apps)
        add_custom_command(OUTPUT ${dir}/quillmora.png
            COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
            COMMAND ${QM_RSVG_CONVERT} -w ${size} -h ${size} -o ${dir}/quillmora.png ${QM_ICON_SVG}
            DEPENDS ${QM_ICON_SVG}
            COMMENT "Rendering the ${size}x${size} icon" VERBATIM)
        set_source_files_properties(${dir}/quillmora.png PROPERTIES
            QT_RESOURCE_ALIAS quillmora-${size}.png)
        if(size LESS_EQUAL QM_WINDOW_ICON_MAX)
            list(APPEND pngs ${dir}/quillmora.png)
        else()
            add_custom_target(quillmora_icon_${size} ALL DEPENDS ${dir}/quillmora.png)
        endif()
    endforeach()
    qt_add_resources(${target} program_icon PREFIX /icons FILES ${pngs})
endfunction()

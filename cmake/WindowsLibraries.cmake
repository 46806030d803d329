set(VELMORA_WINDOWS_LIBRARIES
    ddraw dsound ole32 oleaut32 uuid strmiids dxguid vfw32 msacm32 winmm
    gdi32 user32 advapi32 comdlg32 shell32 msdmo dmoguids)

# Windows programs run under Wine through the project's harness (a private
# prefix inside the build tree, Xvfb and a PulseAudio null sink).
set(VELMORA_WINE_ROOT ${CMAKE_BINARY_DIR}/wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run --root ${VELMORA_WINE_ROOT} --again-after-wine-crash)

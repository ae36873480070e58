# The layers of the source tree, where each lives and what each may use. Arrows point down
# only: a layer uses only layers listed before it in NITIDOR_LAYERS, and a layer without Qt uses
# no layer with it (LayerTableCheck.cmake refuses any other table). The build refuses a library
# that names a layer it may not use (nitidor_add_layer), and the `layers` test refuses a source
# file that includes one (CheckLayers.cmake). Only the layers listed in NITIDOR_QT_LAYERS may
# use Qt. docs/SOURCE_MAP.md draws the same picture.
set(NITIDOR_LAYERS
    log com ks registry win dshow vidcap mfc renderer qtlog
    device capture imaging measure session sim v4l2 simpanel ui app)

set(NITIDOR_LAYER_DIR_log platform/log)
set(NITIDOR_LAYER_DIR_com platform/com)
set(NITIDOR_LAYER_DIR_ks platform/ks)
set(NITIDOR_LAYER_DIR_registry platform/registry)
set(NITIDOR_LAYER_DIR_win platform/win)
set(NITIDOR_LAYER_DIR_dshow platform/dshow)
set(NITIDOR_LAYER_DIR_vidcap platform/vidcap)
set(NITIDOR_LAYER_DIR_mfc platform/mfc)
set(NITIDOR_LAYER_DIR_renderer platform/renderer)
set(NITIDOR_LAYER_DIR_qtlog platform/qtlog)
set(NITIDOR_LAYER_DIR_device device)
set(NITIDOR_LAYER_DIR_capture capture)
set(NITIDOR_LAYER_DIR_imaging imaging)
set(NITIDOR_LAYER_DIR_measure measure)
set(NITIDOR_LAYER_DIR_session session)
set(NITIDOR_LAYER_DIR_sim sim)
set(NITIDOR_LAYER_DIR_v4l2 v4l2)
set(NITIDOR_LAYER_DIR_simpanel sim/panel)
set(NITIDOR_LAYER_DIR_ui ui)
set(NITIDOR_LAYER_DIR_app app)

# The diagnostics' sink is at the very bottom: every layer may use it and links it.
set(NITIDOR_BASE_LAYERS log)

# What each layer may use besides itself, the base layers and the generated product header.
set(NITIDOR_LAYER_USES_log "")
set(NITIDOR_LAYER_USES_com "")
set(NITIDOR_LAYER_USES_ks com)
set(NITIDOR_LAYER_USES_registry com)
set(NITIDOR_LAYER_USES_win com)
set(NITIDOR_LAYER_USES_dshow com ks win)
# The live capture filter over a camera backend; the backends (sim, v4l2) use it.
set(NITIDOR_LAYER_USES_vidcap com ks win dshow)
set(NITIDOR_LAYER_USES_mfc com win)
# mfc for the handle of its window, which FindVideoRendererWindow answers with.
set(NITIDOR_LAYER_USES_renderer com win dshow mfc)
set(NITIDOR_LAYER_USES_qtlog "")
set(NITIDOR_LAYER_USES_device com ks registry)
set(NITIDOR_LAYER_USES_capture com ks win dshow device)
set(NITIDOR_LAYER_USES_imaging "")
# Sharpness from the picture; imaging only for the BT.601 luminance weights.
set(NITIDOR_LAYER_USES_measure imaging)
set(NITIDOR_LAYER_USES_session com ks win dshow device capture imaging measure)
set(NITIDOR_LAYER_USES_sim com ks dshow vidcap)
# Real cameras: a second backend of the live capture filter.
set(NITIDOR_LAYER_USES_v4l2 com ks dshow vidcap)
# The simulator's lens panel: a Qt window beside the preview (dshow: where that is).
set(NITIDOR_LAYER_USES_simpanel com win dshow mfc sim)
set(NITIDOR_LAYER_USES_ui com win registry dshow mfc device capture imaging measure session)
set(NITIDOR_LAYER_USES_app
    com win registry dshow renderer mfc qtlog device capture measure session sim v4l2 simpanel ui)

set(NITIDOR_QT_LAYERS mfc renderer qtlog simpanel ui app)

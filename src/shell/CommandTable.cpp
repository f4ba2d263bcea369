#include "shell/CommandTable.h"

#include "render/ColorPalette.h"
#include "shell/CommandIds.h"

namespace {

MenuEntry Cmd(int id, const char* text, bool checked = false)
{
    MenuEntry e;
    e.kind = MenuEntryKind::Command;
    e.id = id;
    e.text = text;
    e.initiallyChecked = checked;
    return e;
}

MenuEntry Sep()
{
    MenuEntry e;
    e.kind = MenuEntryKind::Separator;
    return e;
}

MenuEntry Sub(const char* text, std::vector<MenuEntry> entries)
{
    MenuEntry e;
    e.kind = MenuEntryKind::Submenu;
    e.text = text;
    e.entries = std::move(entries);
    return e;
}

// View > Colour map: one entry per map, Classic first.
MenuEntry ColourMapMenu()
{
    std::vector<MenuEntry> entries;
    for (int map = 0; map < ColourMapCount; ++map) {
        MenuEntry e = Cmd(ID_COLOUR_MAP_FIRST + map, "");
        e.text = ColourMapName(map);
        entries.push_back(e);
    }
    return Sub("Colour map", std::move(entries));
}

std::vector<MenuEntry> BuildMenu()
{
    std::vector<MenuEntry> menu;
    menu.push_back(
        Sub("&File",
            {Cmd(ID_FILE_NEW, "&New\tCtrl+N"), Cmd(ID_FILE_OPEN, "&Open...\tCtrl+O"),
             Cmd(ID_FILE_SAVE, "&Save\tCtrl+S"), Cmd(ID_FILE_SAVE_AS, "Save &As..."), Sep(),
             Cmd(ID_OPEN_BINARY_NO_HEADER, "Open binary file(no header)"),
             Cmd(ID_OPEN_RAYTRACING_MODEL, "Open raytracing model"),
             Sub("3D Tomography", {Cmd(ID_OPEN_AFT, "Open aft file")}),
             Sub("3D FD", {Cmd(ID_FD_VELOCITY_MODEL, "Velocity model (binary file, with header)"),
                           Cmd(ID_FD_APPEND_ALL, "Append all files"), Sep(),
                           Cmd(ID_EXTRACT_2D_SLICE, "Extract 2D slice"),
                           Cmd(ID_READ_STRETCH_INFO, "Read stretch information", true)}),
             Cmd(ID_FILE_IMPORT, "&Import..."), Cmd(ID_FILE_EXPORT, "Ex&port..."),
             Cmd(ID_EXPORT_PICTURE, "Export picture..."), Sep(),
             Cmd(ID_FILE_PRINT, "&Print...\tCtrl+P"), Cmd(ID_FILE_PRINT_PREVIEW, "Print Pre&view"),
             Cmd(ID_FILE_PRINT_SETUP, "P&rint Setup..."), Sep(),
             Cmd(ID_FILE_MRU_FILE1, "Recent File"), Sep(), Cmd(ID_APP_EXIT, "E&xit")}));
    menu.push_back(Sub("&Edit", {Cmd(ID_EDIT_UNDO, "&Undo\tCtrl+Z"), Cmd(ID_EDIT_REDO, "&Redo"),
                                 Sep(), Cmd(ID_MEDIAN_FILTER, "Medien filter"), Sep(),
                                 Cmd(ID_CLEAR_VOLUME, "Clear volume")}));
    menu.push_back(
        Sub("&View",
            {Cmd(ID_VIEW_TOOLBAR, "&Toolbar"), Cmd(ID_VIEW_STATUS_BAR, "&Status Bar"), Sep(),
             Cmd(ID_STRETCH_Z, "Stretch Z direction", true), Cmd(ID_SETUP_STRETCH, "Setup stretch"),
             Cmd(ID_SCALE, "Scale"), Cmd(ID_CONTOUR_SETUP, "Contour setup"),
             Cmd(ID_AXIS_SETUP, "Axis setup"), Cmd(ID_MONOCHROME, "Monochrome", true),
             Cmd(ID_KILOMETER, "km", true), Sep(), Cmd(ID_SETUP_ORIGIN, "Setup origin location"),
             Sep(), Cmd(ID_FIT_TO_WINDOW, "Fit to window\tCtrl+F"), ColourMapMenu(),
             Cmd(ID_CONTINUOUS_SHADING, "Continuous shading"),
             Cmd(ID_CLIP_PERCENTILES, "Clip to percentiles..."),
             Cmd(ID_SYMMETRIC_ABOUT_ZERO, "Symmetric about zero"), Sep(),
             Cmd(ID_HISTOGRAM, "Histogram")}));
    menu.push_back(Sub("Processing", {Cmd(ID_PICK_HORIZONTAL, "Pick data along horizontal axis"),
                                      Cmd(ID_SET_MIN_PICK, "Set min. value to pick"), Sep(),
                                      Cmd(ID_SAVE_PICKS, "Save picked data")}));
    menu.push_back(Sub(
        "Model",
        {Cmd(ID_PROPERTY, "Property"), Sep(),
         Sub("Create model", {Cmd(ID_VONKARMAN_AUTOCORRELATION, "VonKarman auto-correlation model"),
                              Cmd(ID_VONKARMAN_RANDOM, "VonKarman random model"), Sep(),
                              Cmd(ID_VONKARMAN_RANDOM_FD3D, "VonKarman random model for FD3D"),
                              Sep(), Cmd(ID_RANDOM_MODEL, "Random velocity model"),
                              Cmd(ID_IMPULSE_MODEL, "Impluse velocity model"), Sep(),
                              Cmd(ID_TEST_DATA, "Test data")}),
         Sep(), Cmd(ID_GET_DATA, "Get data"), Cmd(ID_CALCULATING_AVS, "Calculating AVS")}));
    menu.push_back(Sub("Finite-difference model",
                       {Cmd(ID_EXTRACT_1D_MODEL, "Extract 1D model"), Sep(),
                        Cmd(ID_OPEN_VELOCITY_MODEL_FILE, "Open velocity model file"),
                        Cmd(ID_OPEN_JAPAN_MAP, "Open Japan map")}));
    menu.push_back(Sub("Fourier analysis", {Cmd(ID_FORWARD_TRANSFORM, "Forward transform"),
                                            Cmd(ID_INVERSE_TRANSFORM, "Inverse transform"), Sep(),
                                            Cmd(ID_AUTO_CORRELATION, "Auto correlation")}));
    MenuEntry help = Sub("&Help", {Cmd(ID_HELP_FINDER, "&Help Topics"), Sep(),
                                   Cmd(ID_APP_ABOUT, "&About Kalder...")});
    help.rightAligned = true;
    menu.push_back(help);
    return menu;
}

void CollectIds(const std::vector<MenuEntry>& entries, std::vector<int>& out)
{
    for (const MenuEntry& e : entries) {
        if (e.kind == MenuEntryKind::Command)
            out.push_back(e.id);
        else if (e.kind == MenuEntryKind::Submenu)
            CollectIds(e.entries, out);
    }
}

const MenuEntry* FindCommand(const std::vector<MenuEntry>& entries, int id)
{
    for (const MenuEntry& e : entries) {
        if (e.kind == MenuEntryKind::Command && e.id == id)
            return &e;
        if (e.kind == MenuEntryKind::Submenu)
            if (const MenuEntry* found = FindCommand(e.entries, id))
                return found;
    }
    return nullptr;
}

} // namespace

const std::vector<MenuEntry>& MainMenu()
{
    static const std::vector<MenuEntry> menu = BuildMenu();
    return menu;
}

const std::vector<int>& ToolbarCommands()
{
    static const std::vector<int> buttons = {
        ID_FILE_NEW,  ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_PRINT, ID_EDIT_UNDO,
        ID_EDIT_REDO, ID_PREVIOUS,  ID_NEXT,      ID_FAST_BACK,  ID_FAST_FORWARD,
        ID_UP,        ID_DOWN,      ID_PLANE_Z,   ID_PLANE_Y,    ID_PLANE_X};
    return buttons;
}

const std::vector<Accelerator>& Accelerators()
{
    static const std::vector<Accelerator> keys = {
        {"Ctrl+N", ID_FILE_NEW},   {"Ctrl+O", ID_FILE_OPEN},
        {"Ctrl+S", ID_FILE_SAVE},  {"Ctrl+P", ID_FILE_PRINT},
        {"Ctrl+Z", ID_EDIT_UNDO},  {"Alt+Backspace", ID_EDIT_UNDO},
        {"Ctrl+C", ID_EDIT_COPY},  {"Ctrl+Insert", ID_EDIT_COPY},
        {"Ctrl+X", ID_EDIT_CUT},   {"Shift+Delete", ID_EDIT_CUT},
        {"Ctrl+V", ID_EDIT_PASTE}, {"Shift+Insert", ID_EDIT_PASTE},
        {"F6", ID_NEXT_PANE},      {"Shift+F6", ID_PREV_PANE},
        {"F1", ID_HELP},           {"Shift+F1", ID_CONTEXT_HELP},
        {"Ctrl+A", ID_AXIS_SETUP},
        // Stepping through the planes from the keyboard, as the navigation buttons do.
        {"PgDown", ID_NEXT},       {"PgUp", ID_PREVIOUS},
        {"Home", ID_FIRST_PLANE},  {"End", ID_LAST_PLANE}};
    return keys;
}

std::vector<int> MenuCommandIds()
{
    std::vector<int> ids;
    CollectIds(MainMenu(), ids);
    return ids;
}

std::string CommandText(int id)
{
    const MenuEntry* e = FindCommand(MainMenu(), id);
    return e ? e->text : std::string();
}

std::string StatusHelp(int id)
{
    if (id >= ID_COLOUR_MAP_FIRST && id <= ID_COLOUR_MAP_LAST)
        return "Colours the picture and its colour scale with the " +
               ColourMapName(id - ID_COLOUR_MAP_FIRST) + " map.";
    switch (id) {
    case ID_FIT_TO_WINDOW:
        return "Scales the section to fill the window, keeping its V/H ratio.";
    case ID_CONTINUOUS_SHADING:
        return "Colours each cell by its own value instead of its contour band.";
    case ID_CLIP_PERCENTILES:
        return "Sets the automatic colour range between two percentiles of the values.";
    case ID_SYMMETRIC_ABOUT_ZERO:
        return "Makes the automatic colour range symmetric about zero.";
    case ID_FIRST_PLANE:
        return "Shows the first plane.";
    case ID_LAST_PLANE:
        return "Shows the last plane.";
    case ID_HISTOGRAM:
        return "Shows the histogram of the volume's values in a side window.";
    case ID_EXPORT_PICTURE:
        return "Writes the picture on screen to a PNG, PDF or SVG file.";
    case ID_CLEAR_VOLUME:
        return "Empties the volume so that a new model can be built.";
    default:
        return {};
    }
}

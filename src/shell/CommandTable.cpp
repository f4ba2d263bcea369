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

struct CommandHelpText {
    int id;
    const char* text;
};

// Shown in the status bar while the pointer rests on a menu item or toolbar button.
const std::vector<CommandHelpText>& HelpTexts()
{
    static const std::vector<CommandHelpText> texts = {
        {ID_FILE_NEW, "Starts a new untitled document and keeps the volume on screen."},
        {ID_FILE_OPEN, "Opens a volume file as the document, or appends its columns along X."},
        {ID_FILE_SAVE, "Writes the volume to the document's volume file."},
        {ID_FILE_SAVE_AS, "Writes the volume to a volume file under a new name."},
        {ID_OPEN_BINARY_NO_HEADER,
         "Reads a file of bare float32 values after asking for NX, NY and NZ."},
        {ID_OPEN_RAYTRACING_MODEL, "Reads a ray-tracing model stored as a volume file without "
                                   "its trailer, leaving the document's file as it is."},
        {ID_OPEN_AFT, "Reads a tomography result (records of i, j, k and value) into a grid "
                      "of the size you enter."},
        {ID_FD_VELOCITY_MODEL, "Reads one component of a finite-difference 3D model file."},
        {ID_FD_APPEND_ALL,
         "Reads one component of every file of a numbered FD series side by side along X."},
        {ID_EXTRACT_2D_SLICE,
         "Cuts the YZ section at one X position of an FD series into \"FD2D_model.fd2\"."},
        {ID_READ_STRETCH_INFO,
         "Switches whether FD model files are read with a layer-thickness block after the "
         "header."},
        {ID_FILE_IMPORT, "Reads a NumPy, VTK, NetCDF or SEG-Y file into the volume."},
        {ID_FILE_EXPORT, "Writes the volume as a NumPy, VTK, NetCDF or SEG-Y file."},
        {ID_FILE_PRINT, "Prints the picture of the plane on screen."},
        {ID_FILE_PRINT_PREVIEW, "Shows the printed page before it is printed."},
        {ID_FILE_PRINT_SETUP, "Chooses the printer and the page."},
        {ID_FILE_MRU_FILE1, "Opens one of the four volume files used last."},
        {ID_APP_EXIT, "Ends Kalder after asking about unsaved changes."},
        {ID_EDIT_UNDO, "Brings back the volume as it was before the median filter."},
        {ID_EDIT_REDO, "Applies again the change that Undo took back."},
        {ID_MEDIAN_FILTER,
         "Replaces every cell by the median of itself and its six face neighbours."},
        {ID_VIEW_TOOLBAR, "Shows or hides the toolbar."},
        {ID_VIEW_STATUS_BAR, "Shows or hides the status bar."},
        {ID_STRETCH_Z, "Switches between equal and stretched row heights on vertical sections."},
        {ID_SETUP_STRETCH,
         "Sets the cell counts and height factors of the Z-stretch areas from the top down."},
        {ID_SCALE, "Sets the map scale 1/S and the vertical exaggeration V/H."},
        {ID_CONTOUR_SETUP, "Sets the value range and interval of the colour bands by hand."},
        {ID_AXIS_SETUP, "Sets the axis ranges, tick intervals, label shifts and titles by hand."},
        {ID_MONOCHROME, "Switches between the colour and the grey palette."},
        {ID_KILOMETER, "Switches the axis labels between metres and kilometres."},
        {ID_SETUP_ORIGIN,
         "Does nothing; the coordinates of the first cell are set in Model > Property."},
        {ID_PICK_HORIZONTAL,
         "Marks in every column the row of the largest value above the pick limit."},
        {ID_SET_MIN_PICK, "Sets the lowest vertical coordinate that picking considers."},
        {ID_SAVE_PICKS, "Writes the picked points to \"PickDataHorizontal_<plane>.txt\" in the "
                        "working folder."},
        {ID_PROPERTY, "Sets the axis titles, units, starts and cell sizes and the data type."},
        {ID_VONKARMAN_AUTOCORRELATION,
         "Fills an empty volume with the model auto-correlation sampled on the grid."},
        {ID_VONKARMAN_RANDOM, "Fills an empty volume with a random medium of the chosen "
                              "auto-correlation and unit standard deviation."},
        {ID_VONKARMAN_RANDOM_FD3D, "Writes a five-component random FD model file and shows its "
                                   "S-wave velocities."},
        {ID_RANDOM_MODEL,
         "Fills an empty volume with 256 cubed cells of uniform noise from seed 10."},
        {ID_IMPULSE_MODEL, "Fills an empty volume with 128 cubed zeros and one 1 at cell 32, 32, "
                           "32."},
        {ID_TEST_DATA, "Replaces the volume by 100 cubed cells whose value is z times y."},
        {ID_GET_DATA, "Shows the value of the cell at the X, Y and Z indices you enter."},
        {ID_CALCULATING_AVS, "Writes the map of travel-time average S-wave velocity down to a "
                             "depth of 8000 (Z unit) to \"avs.dat\"."},
        {ID_EXTRACT_1D_MODEL, "Writes a layered 1D model for each station of a station list from "
                              "\"HalvoBinary.dat\"."},
        {ID_OPEN_VELOCITY_MODEL_FILE,
         "Loads the Aichi layered model and draws its layer tops over vertical sections."},
        {ID_OPEN_JAPAN_MAP, "Not available in this version."},
        {ID_FORWARD_TRANSFORM, "Replaces the volume by its 3D Fourier transform, real and "
                               "imaginary parts."},
        {ID_INVERSE_TRANSFORM, "Replaces the spectrum by its inverse 3D Fourier transform."},
        {ID_AUTO_CORRELATION, "Replaces the volume by its 3D auto-correlation, zero lag at the "
                              "first cell."},
        {ID_HELP_FINDER, "Opens the Kalder user guide."},
        {ID_APP_ABOUT, "Shows the program's version."},
        {ID_PREVIOUS, "Shows the previous plane."},
        {ID_NEXT, "Shows the next plane."},
        {ID_FAST_BACK, "Steps 10 planes back."},
        {ID_FAST_FORWARD, "Steps 10 planes forward."},
        {ID_UP, "Enlarges the picture by dividing the map scale denominator by 1.5."},
        {ID_DOWN, "Shrinks the picture by multiplying the map scale denominator by 1.5."},
        {ID_PLANE_Z, "Shows XY sections, one per Z index."},
        {ID_PLANE_Y, "Shows XZ sections, one per Y index."},
        {ID_PLANE_X, "Shows YZ sections, one per X index."},
        {ID_FIT_TO_WINDOW, "Scales the section to fill the window, keeping its V/H ratio."},
        {ID_CONTINUOUS_SHADING, "Colours each cell by its own value instead of its contour band."},
        {ID_CLIP_PERCENTILES,
         "Sets the automatic colour range between two percentiles of the values."},
        {ID_SYMMETRIC_ABOUT_ZERO, "Makes the automatic colour range symmetric about zero."},
        {ID_FIRST_PLANE, "Shows the first plane."},
        {ID_LAST_PLANE, "Shows the last plane."},
        {ID_HISTOGRAM, "Shows the histogram of the volume's values in a side window."},
        {ID_EXPORT_PICTURE, "Writes the picture on screen to a PNG, PDF or SVG file."},
        {ID_CLEAR_VOLUME, "Empties the volume so that a new model can be built."},
    };
    return texts;
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

std::string CommandHelp(int id)
{
    if (id >= ID_COLOUR_MAP_FIRST && id <= ID_COLOUR_MAP_LAST)
        return "Colours the picture and its colour scale with the " +
               ColourMapName(id - ID_COLOUR_MAP_FIRST) + " map.";
    for (const CommandHelpText& t : HelpTexts())
        if (t.id == id)
            return t.text;
    return {};
}

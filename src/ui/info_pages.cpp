#include "ui/info_pages.h"

#include "base/bounded_text.h"
#include "inventory/inventory_tables.h"
#include "ui/owned_handles.h"
#include "ui/widget_registry.h"

#include <cstdint>
#include <iterator>
#include <memory>
#include <string>

cairo_surface_t* pixmap;
cairo_surface_t* pixmap2;

namespace {

// Lines of the array summary: line 1 is never written, so it is not shown either.
constexpr int kArraySummaryLines[] = {0, 2, 3, 4, 5, 6};
constexpr int kDrivePageLines = 14;

PageLines lines_of(const TextLine* row, const int* which, int count)
{
    PageLines page{};
    for (int k = 0; k < count; ++k)
        page.line[k] = row[which ? which[k] : k];
    page.count = count;
    return page;
}

bool in_range(int index, int count) { return index >= 0 && index < count; }

// Theme backgrounds may be images rather than plain colours, so the colour is read back
// from what the theme actually paints; a drawing area's own style paints nothing.
bool rendered_background(GtkStyleContext* context, GdkRGBA& colour)
{
    constexpr int kSide = 24;
    UniqueSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSide, kSide));
    {
        UniqueCairo cr(cairo_create(surface.get()));
        gtk_render_background(context, cr.get(), 0, 0, kSide, kSide);
    }
    cairo_surface_flush(surface.get());
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    const auto* pixel = reinterpret_cast<const std::uint32_t*>(data + stride * (kSide / 2)) + kSide / 2;
    const std::uint32_t argb = *pixel;
    const double alpha = ((argb >> 24) & 0xff) / 255.0;
    if (alpha < 1.0)
        return false;
    colour = {((argb >> 16) & 0xff) / 255.0, ((argb >> 8) & 0xff) / 255.0, (argb & 0xff) / 255.0, 1.0};
    return true;
}

bool window_background(GdkRGBA& colour)
{
    if (!window)
        return false;
    GdkRGBA* found = nullptr;
    gtk_style_context_get(gtk_widget_get_style_context(window), GTK_STATE_FLAG_INSENSITIVE,
                          GTK_STYLE_PROPERTY_BACKGROUND_COLOR, &found, nullptr);
    if (!found)
        return false;
    colour = *found;
    gdk_rgba_free(found);
    return colour.alpha > 0.0;
}

cairo_surface_t* make_surface(GtkWidget* area)
{
    const int width = gtk_widget_get_allocated_width(area);
    const int height = gtk_widget_get_allocated_height(area);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    const GdkRGBA colour = insensitive_background_colour();
    UniqueCairo cr(cairo_create(surface));
    gdk_cairo_set_source_rgba(cr.get(), &colour);
    cairo_rectangle(cr.get(), 0, 0, width, height);
    cairo_fill(cr.get());
    return surface;
}

// What each surface shows, as assistive technologies get it: the item's name and the
// page's lines. It outlives a rebuild with the surface.
struct PageText {
    std::string name, lines;
};
PageText page_text, page_text2;

PageText& text_of_surface(const cairo_surface_t* surface) { return surface == pixmap ? page_text : page_text2; }

void tell_accessible(GtkWidget* area, const PageText& text)
{
    AtkObject* accessible = gtk_widget_get_accessible(area);
    atk_object_set_name(accessible, text.name.c_str());
    atk_object_set_description(accessible, text.lines.c_str());
}

// The surface is made once with the size the area has then; later allocations (a wider
// window, the text area of a rebuild) reuse it as it is, and the new area tells what
// it shows.
gboolean configure_once(GtkWidget* area, cairo_surface_t*& surface)
{
    if (!surface)
        surface = make_surface(area);
    tell_accessible(area, text_of_surface(surface));
    return TRUE;
}

gboolean copy_surface(cairo_surface_t* surface, cairo_t* cr)
{
    if (surface) {
        cairo_set_source_surface(cr, surface, 0, 0);
        cairo_paint(cr);
    }
    return FALSE;
}

void draw_text_line(cairo_t* cr, PangoLayout* layout, const char* line, int baseline)
{
    const std::size_t length = field_length(line, kLineSize);
    if (length == 0)
        return;
    UniqueText text(g_utf8_make_valid(line, static_cast<gssize>(length)));
    pango_layout_set_text(layout, text.get(), -1);
    cairo_move_to(cr, kTextLeft, baseline - pango_layout_get_baseline(layout) / static_cast<double>(PANGO_SCALE));
    pango_cairo_show_layout(cr, layout);
}

std::string readable(const char* field, std::size_t capacity)
{
    UniqueText text(g_utf8_make_valid(field, static_cast<gssize>(field_length(field, capacity))));
    return text.get();
}

// The tree label of the item whose page is shown.
std::string item_name(PageKind kind, int index)
{
    switch (kind) {
    case PageKind::ArraySummary:
        return in_range(index, kArrays) ? readable(arraynames[index], sizeof arraynames[index]) : std::string();
    case PageKind::MemberDrive:
        return in_range(index, kMemberSlots) ? readable(arraydisknames[index], sizeof arraydisknames[index]) : std::string();
    case PageKind::Controller:
        return in_range(index, kControllers) ? readable(controllernames[index], sizeof controllernames[index]) : std::string();
    case PageKind::Channel:
        return in_range(index, kChannels) ? readable(channelnames[index / 2][index % 2], sizeof channelnames[0][0]) : std::string();
    case PageKind::ChannelDrive:
        return in_range(index, kDrivePositions) ? readable(channeldisknames[index], sizeof channeldisknames[index]) : std::string();
    }
    return std::string();
}

// A drawn page is a picture to assistive technologies: its item's name and its lines,
// one per text line, go to the text area's accessible name and description.
void describe_page(GtkWidget* area, PageText& text, PageKind kind, int index, const PageLines& page)
{
    text.name = item_name(kind, index);
    text.lines.clear();
    for (int k = 0; k < page.count; ++k) {
        if (k > 0)
            text.lines += '\n';
        text.lines += readable(page.line[k], kLineSize);
    }
    tell_accessible(area, text);
}

void draw_page(GtkWidget* area, cairo_surface_t* surface, PageKind kind, int index)
{
    if (!area || !surface)
        return;
    {
        UniqueCairo cr(cairo_create(surface));
        // The whole surface is cleared, not just the area's allocation: a text area that a
        // rebuild has just made is not laid out yet, and the old page would show through.
        cairo_set_source_rgb(cr.get(), 1.0, 1.0, 1.0);
        cairo_paint(cr.get());
        cairo_set_source_rgb(cr.get(), 0.0, 0.0, 0.0);
        UniqueLayout layout(gtk_widget_create_pango_layout(area, nullptr));
        const PageLines page = page_lines(kind, index);
        for (int k = 0; k < page.count; ++k)
            draw_text_line(cr.get(), layout.get(), page.line[k], kLineStep * (k + 1));
        describe_page(area, text_of_surface(surface), kind, index, page);
    }
    cairo_surface_flush(surface);
    gtk_widget_queue_draw(area);
}

int index_of(gpointer record)
{
    return record ? static_cast<unsigned char>(*static_cast<const char*>(record)) : 0;
}

} // namespace

PageLines page_lines(PageKind kind, int index)
{
    switch (kind) {
    case PageKind::ArraySummary:
        if (in_range(index, kArrays))
            return lines_of(arrayinfo[index], kArraySummaryLines, std::size(kArraySummaryLines));
        break;
    case PageKind::MemberDrive:
        if (in_range(index, kMemberSlots))
            return lines_of(arraydiskinfo[index], nullptr, kDrivePageLines);
        break;
    case PageKind::Controller:
        if (in_range(index, kControllers))
            return lines_of(controllerinfo[index], nullptr, kControllerLines);
        break;
    case PageKind::Channel:
        if (in_range(index, kChannels))
            return lines_of(channel_block(index), nullptr, 2);
        break;
    case PageKind::ChannelDrive:
        if (in_range(index, kDrivePositions))
            return lines_of(channeldiskinfo[index], nullptr, kDrivePageLines);
        break;
    }
    return PageLines{};
}

GdkRGBA insensitive_background_colour()
{
    GdkRGBA colour{};
    UniqueWidget button(GTK_WIDGET(g_object_ref_sink(gtk_button_new())));
    gtk_widget_set_sensitive(button.get(), FALSE);
    if (rendered_background(gtk_widget_get_style_context(button.get()), colour))
        return colour;
    if (window_background(colour))
        return colour;
    return GdkRGBA{0.84, 0.84, 0.84, 1.0};
}

gboolean configure_event(GtkWidget* widget, GdkEventConfigure*, gpointer) { return configure_once(widget, pixmap); }
gboolean configure_event2(GtkWidget* widget, GdkEventConfigure*, gpointer) { return configure_once(widget, pixmap2); }
gboolean expose_event(GtkWidget*, cairo_t* cr, gpointer) { return copy_surface(pixmap, cr); }
gboolean expose_event2(GtkWidget*, cairo_t* cr, gpointer) { return copy_surface(pixmap2, cr); }

void showarray(GtkWidget*, gpointer record)
{
    const int array_index = index_of(record);
    PageInfo[1] = 0;
    draw_page(draw_area, pixmap, PageKind::ArraySummary, array_index);
}

void showarraydisk(GtkWidget*, gpointer record)
{
    const int slot = index_of(record);
    PageInfo[1] = 1;
    PageInfo[2] = slot;
    draw_page(draw_area, pixmap, PageKind::MemberDrive, slot);
}

void showcontroller(GtkWidget*, gpointer record)
{
    const int controller = index_of(record);
    PageInfo[3] = 0;
    draw_page(draw_area2, pixmap2, PageKind::Controller, controller);
}

void showchannel(GtkWidget*, gpointer record)
{
    const int channel = index_of(record);
    PageInfo[3] = 0;
    draw_page(draw_area2, pixmap2, PageKind::Channel, channel);
}

void showchanneldisk(GtkWidget*, gpointer record)
{
    const int position = index_of(record);
    PageInfo[3] = 1;
    PageInfo[4] = position;
    draw_page(draw_area2, pixmap2, PageKind::ChannelDrive, position);
}

void ShowArrayDiskInformation(int slot) { draw_page(draw_area, pixmap, PageKind::MemberDrive, slot); }

void ShowControllerDiskInformation(int position)
{
    draw_page(draw_area2, pixmap2, PageKind::ChannelDrive, position);
}

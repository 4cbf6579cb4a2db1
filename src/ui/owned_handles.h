// Owners for the toolkit's resources: each is released exactly once, on every path.
#pragma once

#include <gtk/gtk.h>
#include <memory>

struct CairoDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct GObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct GFreeDeleter {
    void operator()(gchar* text) const { g_free(text); }
};
struct GOptionContextDeleter {
    void operator()(GOptionContext* context) const { g_option_context_free(context); }
};

using UniqueCairo = std::unique_ptr<cairo_t, CairoDeleter>;
using UniqueSurface = std::unique_ptr<cairo_surface_t, CairoDeleter>;
using UniqueLayout = std::unique_ptr<PangoLayout, GObjectDeleter>;
using UniqueWidget = std::unique_ptr<GtkWidget, GObjectDeleter>;
using UniqueText = std::unique_ptr<gchar, GFreeDeleter>;
using UniqueOptionContext = std::unique_ptr<GOptionContext, GOptionContextDeleter>;

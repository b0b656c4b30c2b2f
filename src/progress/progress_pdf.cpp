#include "progress/progress_pdf.h"

#include "progress/progress_chart.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <memory>

namespace progress {
namespace {

cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::string PdfReport(const std::string& title, const std::vector<vStoredTry_c>& tries) {
    std::vector<vChartPage_c> pages = ChartPages(tries);
    if (pages.empty()) pages.emplace_back();  // says there were no tries
    std::string pdf;
    const std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        cairo_pdf_surface_create_for_stream(Append, &pdf, kChartPageWidth, kChartPageHeight), cairo_surface_destroy);
    const std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(surface.get()), cairo_destroy);
    for (const vChartPage_c& page : pages) {
        DrawChartPage(cr.get(), title, page);
        cairo_show_page(cr.get());
    }
    cairo_surface_finish(surface.get());
    const bool ok =
        cairo_status(cr.get()) == CAIRO_STATUS_SUCCESS && cairo_surface_status(surface.get()) == CAIRO_STATUS_SUCCESS;
    return ok ? pdf : std::string();
}

}  // namespace progress

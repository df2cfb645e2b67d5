// The preview model and its marker rendering.
#include "core/search/PreviewDocument.h"

#include <algorithm>

namespace vedra::search {

void PreviewDocument::clear()
{
    m_text.clear();
    m_spans.clear();
}

void PreviewDocument::appendText(std::string_view text)
{
    m_text.append(text);
}

void PreviewDocument::appendMarked(std::string_view text, SpanStyle style)
{
    std::size_t start = m_text.size();
    m_text.append(text);
    mark(start, text.size(), style);
}

bool PreviewDocument::mark(std::size_t start, std::size_t length, SpanStyle style)
{
    if (start >= m_text.size() || length == 0)
        return false;
    length = std::min(length, m_text.size() - start);
    m_spans.push_back({start, length, style.bold, style.colour, style.underline});
    return true;
}

std::string RenderMarked(const PreviewDocument& document, std::string_view open, std::string_view close)
{
    struct Event {
        std::size_t position;
        bool opens;
        std::size_t length;  // orders events that share a position
    };
    std::vector<Event> events;
    events.reserve(document.spans().size() * 2);
    for (const MarkedSpan& span : document.spans()) {
        events.push_back({span.start, true, span.length});
        events.push_back({span.start + span.length, false, span.length});
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        if (a.position != b.position)
            return a.position < b.position;
        if (a.opens != b.opens)
            return !a.opens;
        return a.opens ? a.length > b.length : a.length < b.length;
    });

    const std::string& text = document.text();
    std::string out;
    out.reserve(text.size() + events.size() * std::max(open.size(), close.size()));
    std::size_t copied = 0;
    for (const Event& event : events) {
        out.append(text, copied, event.position - copied);
        copied = event.position;
        out.append(event.opens ? open : close);
    }
    out.append(text, copied);
    return out;
}

} // namespace vedra::search

#pragma once
// Conversions at the widget boundary: the surface speaks GBK with CR LF
// line breaks, widgets speak QString with LF.

#include <QString>
#include <QStringList>

#include <string>

namespace dialog::qt {

/// GBK bytes to widget text; line breaks are kept as they are.
QString fromSurface(const std::string& gbk);
/// Widget text to GBK bytes; characters GBK cannot hold become '?'.
std::string toSurface(const QString& text);

/// toSurface of a widget's text that is read far more often than it
/// changes (the ticks read every bound edit): the last conversion stands
/// while the widget hands out the same text.
class SurfaceTextCache {
public:
    const std::string& of(const QString& text) const
    {
        if (!valid_ || !(text.isSharedWith(source_) || text == source_)) {
            source_ = text;
            gbk_ = toSurface(text);
            valid_ = true;
        }
        return gbk_;
    }

private:
    mutable QString source_;
    mutable std::string gbk_;
    mutable bool valid_ = false;
};

/// Multi-line surface text to widget text: CR LF and a lone CR become LF.
QString fromSurfaceLines(const std::string& gbk);
/// Multi-line widget text to surface text: every LF becomes CR LF.
std::string toSurfaceLines(const QString& text);

/// UTF-8 source text (control captions) to widget text.
QString fromSource(const std::string& utf8);

/// A caption without its access-key markers ("打开(&O)" -> "打开(O)", "&&" -> "&").
QString withoutMnemonic(const QString& caption);

/// A file-dialog filter in the "name|pattern|name|pattern||" form to Qt's
/// name filters ("name (pattern pattern)"). Patterns separated by ';' are
/// joined by spaces; a name already ending in "(patterns)" is kept as it
/// is. An empty filter gives an empty list; a trailing name without a
/// pattern is dropped.
QStringList nameFiltersFrom(const QString& filter);

/// path with ext ("txt" or ".txt") appended when the path's file name has
/// no extension; an empty ext leaves the path alone.
QString withDefaultExtension(const QString& path, const QString& ext);

} // namespace dialog::qt

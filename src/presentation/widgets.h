#pragma once

#include "base/code_page.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QSvgRenderer;

namespace tavox {

// Mouse handlers of a component, as the form wires them; a component without a handler still takes the
// event, so nothing underneath reacts (as on the classic toolkit).
struct ComponentEvents {
    std::function<void()> click;
    std::function<void(int x, int y)> mouse_move;
    std::function<void(Qt::MouseButton button, int x, int y)> mouse_down;
};

// The cursor index of a component: 10 on clickable components, 11 on the description text.
enum class CursorIndex { Default = 0, Clickable = 10, Text = 11 };

// Shared behaviour of the form's components: the mouse goes to the handlers, never the keyboard focus.
class Component : public QWidget {
public:
    explicit Component(QWidget* parent);
    ComponentEvents events;
    void SetCursorIndex(CursorIndex index) { cursor_index_ = index; }
    CursorIndex Cursor() const { return cursor_index_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
    CursorIndex cursor_index_ = CursorIndex::Default;
};

// An image component: a bitmap or a vector picture, drawn as it is, centred, or stretched to the bounds.
// Without a picture it is an invisible mouse area.
class ImageBox : public Component {
public:
    explicit ImageBox(QWidget* parent);
    ~ImageBox() override;

    void SetImage(QImage image);
    void SetVectorPicture(const QString& resource);
    void Clear();
    const QImage& Image() const { return image_; }
    bool HasPicture() const;

    bool stretch = false;
    bool center = false;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    std::unique_ptr<QSvgRenderer> vector_;
};

enum class LabelAlignment { Left, Right, Center };

// A label: text drawn without background in white, in the label font at a pixel height. Captions are bytes
// in the code page of the font's character set. A label that is not of fixed size takes the size of its
// caption, keeping its right edge when right-aligned.
class FormLabel : public Component {
public:
    FormLabel(QWidget* parent, int pixel_height, bool bold);

    void SetCaption(std::string caption);
    const std::string& Caption() const { return caption_; }
    QString DisplayText() const;
    void SetCharset(int charset);
    int Charset() const { return charset_; }
    void SetBold(bool bold);
    bool Bold() const { return font().bold(); }
    void SetTextColor(QColor color);

    LabelAlignment alignment = LabelAlignment::Left;
    bool word_wrap = false;
    bool fixed_size = false;

    // Re-applies the auto-size rule; called when the caption, font or alignment changes.
    void AdjustSize();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int TextFlags() const;

    std::string caption_;
    int charset_ = 1;
    QColor color_ = Qt::white;
};

// The paint surface over the whole window: a retained picture on which the form draws frames and lines at
// once (Present shows them). An invalidated area is repainted as a window repaints: the form's paint handler
// restores and redraws it before it is shown.
class PaintBox : public Component {
public:
    explicit PaintBox(QWidget* parent);

    QImage& Surface() { return surface_; }
    std::function<void(const QRect& clip)> paint;

    void Present(const QRect& area);
    void Invalidate(const QRect& area);
    bool Painting() const { return painting_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage surface_;
    QRegion invalid_;
    bool painting_ = false;
};

// The code page that the default character set (1) stands for: the one of the Windows the CD was made for.
void SetDefaultLabelCodePage(CodePage code_page);
CodePage LabelCodePage(int charset);

// The font of the form's labels, with the usual substitutes where it is not installed.
QFont LabelFont(int pixel_height, bool bold);
// The font of the dialogs' controls (Arial, at a height in pixels).
QFont ArialFont(int pixel_height);

} // namespace tavox

#include "presentation/widgets.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

namespace tavox {

namespace {
CodePage& DefaultCodePage() {
    static CodePage code_page = CodePage::Windows1250;
    return code_page;
}
} // namespace

void SetDefaultLabelCodePage(CodePage code_page) {
    DefaultCodePage() = code_page;
}

CodePage LabelCodePage(int charset) {
    return charset == 0 || charset == 1 ? DefaultCodePage() : CodePageForCharset(charset);
}

QFont LabelFont(int pixel_height, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("TAVOX CD Medium"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixel_height);
    font.setBold(bold);
    return font;
}

QFont ArialFont(int pixel_height) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixel_height);
    return font;
}

Component::Component(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
}

void Component::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    if (events.mouse_down) {
        const QPoint at = event->position().toPoint();
        events.mouse_down(event->button(), at.x(), at.y());
    }
    event->accept();
}

void Component::mouseReleaseEvent(QMouseEvent* event) {
    const bool was_pressed = pressed_;
    pressed_ = false;
    if (was_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        events.click) {
        events.click();
    }
    event->accept();
}

void Component::mouseMoveEvent(QMouseEvent* event) {
    if (events.mouse_move) {
        const QPoint at = event->position().toPoint();
        events.mouse_move(at.x(), at.y());
    }
    event->accept();
}

ImageBox::ImageBox(QWidget* parent) : Component(parent) {}

ImageBox::~ImageBox() = default;

void ImageBox::SetImage(QImage image) {
    vector_.reset();
    image_ = std::move(image);
    update();
}

void ImageBox::SetVectorPicture(const QString& resource) {
    image_ = QImage();
    vector_ = std::make_unique<QSvgRenderer>(resource);
    update();
}

void ImageBox::Clear() {
    image_ = QImage();
    vector_.reset();
    update();
}

bool ImageBox::HasPicture() const {
    return !image_.isNull() || (vector_ && vector_->isValid());
}

void ImageBox::paintEvent(QPaintEvent*) {
    if (!HasPicture()) {
        return;
    }
    QPainter painter(this);
    const QSize natural = image_.isNull() ? vector_->defaultSize() : image_.size();
    QRect target(QPoint(0, 0), natural);
    if (stretch) {
        target = rect();
    } else if (center) {
        target.moveCenter(rect().center());
    }
    if (image_.isNull()) {
        vector_->render(&painter, target);
    } else {
        painter.drawImage(target, image_);
    }
}

FormLabel::FormLabel(QWidget* parent, int pixel_height, bool bold) : Component(parent) {
    setFont(LabelFont(pixel_height, bold));
}

void FormLabel::SetCaption(std::string caption) {
    if (caption == caption_) {
        return;
    }
    caption_ = std::move(caption);
    AdjustSize();
    update();
}

QString FormLabel::DisplayText() const {
    return QString::fromStdString(ToUtf8(caption_, LabelCodePage(charset_)));
}

void FormLabel::SetCharset(int charset) {
    charset_ = charset;
    AdjustSize();
    update();
}

void FormLabel::SetBold(bool bold) {
    // The list sets every row's weight on each selection; measuring the caption again is the costly part.
    if (font().bold() == bold) {
        return;
    }
    QFont changed = font();
    changed.setBold(bold);
    setFont(changed);
    AdjustSize();
    update();
}

void FormLabel::SetTextColor(QColor color) {
    if (color == color_) {
        return;
    }
    color_ = color;
    update();
}

int FormLabel::TextFlags() const {
    int flags = Qt::TextShowMnemonic | Qt::AlignTop;
    switch (alignment) {
    case LabelAlignment::Left:
        flags |= Qt::AlignLeft;
        break;
    case LabelAlignment::Right:
        flags |= Qt::AlignRight;
        break;
    case LabelAlignment::Center:
        flags |= Qt::AlignHCenter;
        break;
    }
    if (word_wrap) {
        flags |= Qt::TextWordWrap;
    }
    return flags;
}

void FormLabel::AdjustSize() {
    if (fixed_size) {
        return;
    }
    const QFontMetrics metrics(font());
    const QRect bounds =
        metrics.boundingRect(QRect(0, 0, 10000, 10000), TextFlags() & ~Qt::TextWordWrap, DisplayText());
    const int width = caption_.empty() ? 0 : bounds.width();
    const int height = metrics.height();
    const int right = x() + this->width();
    if (alignment == LabelAlignment::Right) {
        setGeometry(right - width, y(), width, height);
    } else {
        setGeometry(x(), y(), width, height);
    }
}

void FormLabel::paintEvent(QPaintEvent*) {
    if (caption_.empty()) {
        return;
    }
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(color_);
    painter.drawText(rect(), TextFlags(), DisplayText());
}

PaintBox::PaintBox(QWidget* parent) : Component(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PaintBox::Present(const QRect& area) {
    if (!painting_) {
        update(area);
    }
}

void PaintBox::Invalidate(const QRect& area) {
    invalid_ += area;
    update(area);
}

void PaintBox::paintEvent(QPaintEvent* event) {
    const QRegion todo = invalid_ & event->region();
    if (!todo.isEmpty() && paint) {
        invalid_ -= todo;
        painting_ = true;
        paint(todo.boundingRect());
        painting_ = false;
    }
    QPainter painter(this);
    for (const QRect& area : event->region()) {
        painter.drawImage(area, surface_, area);
    }
}

} // namespace tavox

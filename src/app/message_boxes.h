#pragma once

#include <QString>

class QWidget;

namespace tavox {

enum class MessageKind { Plain, Error, Information };

// Every message box of the menu goes through this, so that tests can see and answer them.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void Show(MessageKind kind, const QString& caption, const QString& text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool Ask(const QString& caption, const QString& text) = 0;
};

// Modal boxes on the screen, owned by a window.
class ScreenMessageBoxes : public MessageBoxes {
public:
    explicit ScreenMessageBoxes(QWidget* owner) : owner_(owner) {}
    void Show(MessageKind kind, const QString& caption, const QString& text) override;
    bool Ask(const QString& caption, const QString& text) override;

private:
    QWidget* owner_;
};

} // namespace tavox

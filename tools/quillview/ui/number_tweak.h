// number_tweak.h - Ctrl+drag sideways on a number in the editor changes
// it: a step of its last digit every few pixels (0.35 steps by 0.01, 12 by
// 1), ten times as far with Shift, keeping its decimals. Each step changes
// the text at once; the drag is one step to undo.
#ifndef QUILLVIEW_UI_NUMBER_TWEAK_H
#define QUILLVIEW_UI_NUMBER_TWEAK_H

#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "number_literal.h"

namespace quillview {

class NumberTweak {
public:
    // Tweaks the numbers of `view`; `changed` gets the whole text after
    // each step, `dragging` true when a drag on a number begins and false
    // when it ends.
    NumberTweak(GtkTextView *view, std::function<void(std::string text)> changed,
                std::function<void(bool dragging)> dragging);
    ~NumberTweak();
    NumberTweak(const NumberTweak &) = delete;
    NumberTweak &operator=(const NumberTweak &) = delete;

private:
    void finish();
    static void on_begin(GtkGestureDrag *drag, double x, double y, gpointer data);
    static void on_update(GtkGestureDrag *drag, double dx, double, gpointer data);
    static void on_end(GtkGestureDrag *, double, double, gpointer data);
    static void on_cancel(GtkGesture *, GdkEventSequence *, gpointer data);

    GtkTextView *view_;
    std::function<void(std::string)> changed_;
    std::function<void(bool)> dragging_;
    GtkGesture *drag_;
    GtkTextMark *start_ = nullptr;  // around the number while it is dragged
    GtkTextMark *end_ = nullptr;
    std::string literal_;  // the number as it was when the drag began
    long steps_ = 0;       // the steps it has moved since
};

}  // namespace quillview

#endif  // QUILLVIEW_UI_NUMBER_TWEAK_H

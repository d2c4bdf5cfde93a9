#include "Platform/linux/AtspiAccessibilityTree.h"

#include <atspi/atspi.h>
#include <dlfcn.h>

#include <QRectF>
#include <vector>

#include "Platform/ScreenPixels.h"

namespace {

// The private main context of the accessibility worker, on that thread only.
thread_local GMainContext* workerContext = nullptr;

}  // namespace

// libatspi opens a direct connection to each application that offers one (GTK does) and attaches
// it to the process's default main context, which Qt's main thread runs: that thread would then
// read the application's answers and run libatspi's handlers while the worker waits for them,
// and the worker's calls would wait for their time limit. On the worker this definition takes
// the library's place and hands the worker's own context instead.
extern "C" void atspi_dbus_connection_setup_with_g_main(DBusConnection* connection,
                                                        GMainContext* context) {
    using Setup = void (*)(DBusConnection*, GMainContext*);
    static const auto original =
        reinterpret_cast<Setup>(dlsym(RTLD_NEXT, "atspi_dbus_connection_setup_with_g_main"));
    if (workerContext && (!context || context == g_main_context_default()))
        context = workerContext;
    if (original)
        original(connection, context);
}

namespace Platform {

namespace {

// How many elements the search for the focused element may look at when the application does
// not answer the one query that finds it.
constexpr int focusWalkLimit = 2000;
// How many elements that say they have the focus are weighed against each other.
constexpr int focusedMatchLimit = 8;
constexpr int maximumChildren = 10000;

template <typename T>
struct GObjectPtr {
    T* object = nullptr;
    explicit GObjectPtr(T* o = nullptr) : object(o) {}
    ~GObjectPtr() {
        if (object)
            g_object_unref(object);
    }
    GObjectPtr(const GObjectPtr&) = delete;
    GObjectPtr& operator=(const GObjectPtr&) = delete;
    T* get() const { return object; }
    explicit operator bool() const { return object != nullptr; }
};

// A failed call counts as no answer.
bool failed(GError*& error) {
    if (!error)
        return false;
    g_error_free(error);
    error = nullptr;
    return true;
}

QString takeString(gchar* text) {
    if (!text)
        return {};
    QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

class AtspiElement final : public AccessibleElement {
public:
    AtspiElement(AtspiAccessible* object, const ScreenPixelsWatch* screens)
        : object_(object), screens_(screens) {}
    ~AtspiElement() override { g_object_unref(object_); }

    // Takes over the reference; null stays null.
    static AccessibleRef wrap(AtspiAccessible* object, const ScreenPixelsWatch* screens) {
        if (!object)
            return nullptr;
        return std::make_shared<AtspiElement>(object, screens);
    }

    QString role() override {
        switch (rawRole()) {
            case ATSPI_ROLE_ENTRY:
            case ATSPI_ROLE_PASSWORD_TEXT:
                return QStringLiteral("AXTextField");
            case ATSPI_ROLE_TEXT:
                return hasState(ATSPI_STATE_MULTI_LINE) ? QStringLiteral("AXTextArea")
                                                        : QStringLiteral("AXTextField");
            case ATSPI_ROLE_COMBO_BOX:
                return QStringLiteral("AXComboBox");
            case ATSPI_ROLE_LABEL:
            case ATSPI_ROLE_STATIC:
                return QStringLiteral("AXStaticText");
            case ATSPI_ROLE_IMAGE:
                return QStringLiteral("AXImage");
            case ATSPI_ROLE_DOCUMENT_WEB:
                return QStringLiteral("AXWebArea");
            case ATSPI_ROLE_FRAME:
            case ATSPI_ROLE_WINDOW:
            case ATSPI_ROLE_DIALOG:
                return QStringLiteral("AXWindow");
            case ATSPI_ROLE_INVALID:
                return {};
            default:
                return takeString(atspi_role_get_name(rawRole()));
        }
    }

    std::optional<bool> isPassword() override {
        const AtspiRole role = rawRole();
        if (role == ATSPI_ROLE_INVALID)
            return std::nullopt;
        return role == ATSPI_ROLE_PASSWORD_TEXT;
    }

    QString identity() override {
        const AtspiObject& object = object_->parent;
        if (!object.app || !object.app->bus_name || !object.path)
            return {};
        return QString::fromUtf8(object.app->bus_name) + QLatin1Char(':') +
               QString::fromUtf8(object.path);
    }

    std::optional<bool> isEditable() override {
        if (!states())
            return std::nullopt;
        return hasState(ATSPI_STATE_EDITABLE);
    }

    QString name() override {
        GError* error = nullptr;
        QString result = takeString(atspi_accessible_get_name(object_, &error));
        return failed(error) ? QString() : result;
    }

    QString description() override {
        GError* error = nullptr;
        QString result = takeString(atspi_accessible_get_description(object_, &error));
        return failed(error) ? QString() : result;
    }

    QString placeholder() override {
        GError* error = nullptr;
        GHashTable* attributes = atspi_accessible_get_attributes(object_, &error);
        if (failed(error) || !attributes)
            return {};
        const auto* value =
            static_cast<const gchar*>(g_hash_table_lookup(attributes, "placeholder-text"));
        QString result = value ? QString::fromUtf8(value) : QString();
        g_hash_table_unref(attributes);
        return result;
    }

    QString toolkit() override {
        GError* error = nullptr;
        const QString name = takeString(atspi_accessible_get_toolkit_name(object_, &error));
        if (failed(error) || name.isEmpty())
            return {};
        const QString version = takeString(atspi_accessible_get_toolkit_version(object_, &error));
        if (failed(error) || version.isEmpty())
            return name;
        return name + QLatin1Char(' ') + version;
    }

    bool setText(const QString& text) override {
        GObjectPtr<AtspiEditableText> editable(atspi_accessible_get_editable_text_iface(object_));
        if (!editable)
            return false;
        GError* error = nullptr;
        const gboolean done = atspi_editable_text_set_text_contents(
            editable.get(), text.toUtf8().constData(), &error);
        return !failed(error) && done;
    }

    QString labelText() override {
        GError* error = nullptr;
        GArray* relations = atspi_accessible_get_relation_set(object_, &error);
        if (failed(error) || !relations)
            return {};
        QString result;
        for (guint i = 0; i < relations->len; ++i) {
            AtspiRelation* relation = g_array_index(relations, AtspiRelation*, i);
            if (result.isEmpty() &&
                atspi_relation_get_relation_type(relation) == ATSPI_RELATION_LABELLED_BY &&
                atspi_relation_get_n_targets(relation) > 0) {
                if (AccessibleRef label = wrap(atspi_relation_get_target(relation, 0), screens_)) {
                    result = label->name();
                    if (result.trimmed().isEmpty())
                        result = label->text();
                }
            }
            g_object_unref(relation);
        }
        g_array_free(relations, TRUE);
        return result;
    }

    QString text() override {
        GObjectPtr<AtspiText> text(atspi_accessible_get_text_iface(object_));
        if (!text)
            return {};
        GError* error = nullptr;
        QString result = takeString(atspi_text_get_text(text.get(), 0, -1, &error));
        return failed(error) ? QString() : result;
    }

    std::optional<int> characterCount() override {
        GObjectPtr<AtspiText> text(atspi_accessible_get_text_iface(object_));
        if (!text)
            return std::nullopt;
        GError* error = nullptr;
        const gint count = atspi_text_get_character_count(text.get(), &error);
        if (failed(error) || count < 0)
            return std::nullopt;
        return count;
    }

    std::optional<QString> selectedText() override {
        // A caret without a selection is an empty one: where it stands is not asked.
        const std::optional<TextRange> range = selection(false);
        if (!range)
            return std::nullopt;
        if (range->end <= range->start)
            return QString();
        GObjectPtr<AtspiText> text(atspi_accessible_get_text_iface(object_));
        GError* error = nullptr;
        QString result =
            takeString(atspi_text_get_text(text.get(), range->start, range->end, &error));
        if (failed(error))
            return std::nullopt;
        return result;
    }

    std::optional<TextRange> selectionRange() override { return selection(true); }

    bool setSelectionRange(int start, int end) override {
        GObjectPtr<AtspiText> text(atspi_accessible_get_text_iface(object_));
        if (!text)
            return false;
        GError* error = nullptr;
        if (end <= start) {
            const gboolean done = atspi_text_set_caret_offset(text.get(), start, &error);
            return !failed(error) && done;
        }
        // A field holds one selection at most; where it has none yet, one is added.
        gboolean done = atspi_text_set_selection(text.get(), 0, start, end, &error);
        if (failed(error) || !done) {
            done = atspi_text_add_selection(text.get(), start, end, &error);
            return !failed(error) && done;
        }
        return true;
    }

    std::optional<QRectF> frame() override {
        GObjectPtr<AtspiComponent> component(atspi_accessible_get_component_iface(object_));
        if (!component)
            return std::nullopt;
        GError* error = nullptr;
        AtspiRect* rect =
            atspi_component_get_extents(component.get(), ATSPI_COORD_TYPE_SCREEN, &error);
        if (failed(error) || !rect)
            return std::nullopt;
        QRectF result(rect->x, rect->y, rect->width, rect->height);
        g_free(rect);
        if (screens_ && !speaksLogicalPixels())
            result = screens_->current().toLogical(result);
        if (result.width() <= 0 || result.height() <= 0)
            return std::nullopt;
        return result;
    }

    AccessibleRef parent() override {
        GError* error = nullptr;
        AtspiAccessible* parent = atspi_accessible_get_parent(object_, &error);
        if (failed(error)) {
            if (parent)
                g_object_unref(parent);
            return nullptr;
        }
        return wrap(parent, screens_);
    }

    std::vector<AccessibleRef> children() override {
        GError* error = nullptr;
        const gint count = atspi_accessible_get_child_count(object_, &error);
        if (failed(error) || count <= 0)
            return {};
        std::vector<AccessibleRef> result;
        for (gint i = 0; i < std::min(count, maximumChildren); ++i) {
            AtspiAccessible* child = atspi_accessible_get_child_at_index(object_, i, &error);
            if (failed(error))
                continue;
            if (AccessibleRef element = wrap(child, screens_))
                result.push_back(std::move(element));
        }
        return result;
    }

    int childCount() override {
        GError* error = nullptr;
        const gint count = atspi_accessible_get_child_count(object_, &error);
        if (failed(error) || count <= 0)
            return 0;
        return std::min(count, maximumChildren);
    }

    AccessibleRef childAt(int index) override {
        GError* error = nullptr;
        AtspiAccessible* child = atspi_accessible_get_child_at_index(object_, index, &error);
        return failed(error) ? nullptr : wrap(child, screens_);
    }

    AccessibleRef embeddedObject(int characterOffset, int mark) override {
        GObjectPtr<AtspiHypertext> hypertext(atspi_accessible_get_hypertext_iface(object_));
        if (!hypertext) {
            // Without links to ask, the marks stand for the children in their order, as they
            // do where links are given.
            GError* error = nullptr;
            AtspiAccessible* child = atspi_accessible_get_child_at_index(object_, mark, &error);
            return failed(error) ? nullptr : wrap(child, screens_);
        }
        GError* error = nullptr;
        const gint index = atspi_hypertext_get_link_index(hypertext.get(), characterOffset, &error);
        if (failed(error) || index < 0)
            return nullptr;
        GObjectPtr<AtspiHyperlink> link(atspi_hypertext_get_link(hypertext.get(), index, &error));
        if (failed(error) || !link)
            return nullptr;
        AtspiAccessible* object = atspi_hyperlink_get_object(link.get(), 0, &error);
        if (failed(error))
            return nullptr;
        return wrap(object, screens_);
    }

    // Any child of the application may be its window: Qt gives its top-level widgets the role
    // "filler".
    AccessibleRef focusedWindow() override {
        for (const AccessibleRef& child : children())
            if (static_cast<AtspiElement*>(child.get())->hasState(ATSPI_STATE_ACTIVE))
                return child;
        return nullptr;
    }

    AccessibleRef mainWindow() override {
        const std::vector<AccessibleRef> windows = children();
        for (const AccessibleRef& child : windows)
            if (static_cast<AtspiElement*>(child.get())->isWindow())
                return child;
        return windows.empty() ? nullptr : windows.front();
    }

    AccessibleRef focusedElement() override {
        // A Qt editor that is a window of its own is the field: the viewport inside it says
        // it has the focus as well, but takes no text.
        if (hasState(ATSPI_STATE_FOCUSED) && hasState(ATSPI_STATE_EDITABLE))
            return wrap(static_cast<AtspiAccessible*>(g_object_ref(object_)), screens_);
        if (AccessibleRef found = focusedByCollection())
            return found;
        return focusedByWalk();
    }

private:
    // The first selection; without one, the caret when `withCaret`, else an empty range.
    std::optional<TextRange> selection(bool withCaret) {
        GObjectPtr<AtspiText> text(atspi_accessible_get_text_iface(object_));
        if (!text)
            return std::nullopt;
        GError* error = nullptr;
        const gint count = atspi_text_get_n_selections(text.get(), &error);
        if (failed(error) || count < 0)
            return std::nullopt;
        if (count > 0) {
            AtspiRange* range = atspi_text_get_selection(text.get(), 0, &error);
            if (failed(error) || !range)
                return std::nullopt;
            const TextRange result{range->start_offset, range->end_offset};
            g_free(range);
            if (result.end > result.start)
                return result;
        }
        if (!withCaret)
            return TextRange{};
        const gint caret = atspi_text_get_caret_offset(text.get(), &error);
        if (failed(error) || caret < 0)
            return std::nullopt;
        return TextRange{caret, caret};
    }

    // A query that failed is not kept: asked again, the application may answer.
    AtspiRole rawRole() {
        if (!role_) {
            GError* error = nullptr;
            const AtspiRole role = atspi_accessible_get_role(object_, &error);
            if (failed(error))
                return ATSPI_ROLE_INVALID;
            role_ = role;
        }
        return *role_;
    }

    // Read once per element: a reader asks for several states of the same element.
    AtspiStateSet* states() {
        if (!states_.object)
            states_.object = atspi_accessible_get_state_set(object_);
        if (!states_.object)
            return nullptr;
        GArray* list = atspi_state_set_get_states(states_.object);
        const bool known = list && list->len > 0;
        if (list)
            g_array_free(list, TRUE);
        return known ? states_.object : nullptr;
    }

    bool hasState(AtspiStateType state) {
        AtspiStateSet* set = states();
        return set && atspi_state_set_contains(set, state);
    }

    bool isWindow() {
        const AtspiRole role = rawRole();
        return role == ATSPI_ROLE_FRAME || role == ATSPI_ROLE_WINDOW || role == ATSPI_ROLE_DIALOG;
    }

    // One query that the application answers from its own tree. More than one element may
    // say it has the focus: LibreOffice keeps the state on the panel that holds the document
    // as well as on the paragraph being written in, the panel first. The one that takes text
    // is the one the user types into.
    AccessibleRef focusedByCollection() {
        GObjectPtr<AtspiCollection> collection(atspi_accessible_get_collection_iface(object_));
        if (!collection)
            return nullptr;
        GArray* wanted = g_array_new(FALSE, FALSE, sizeof(AtspiStateType));
        const AtspiStateType focused = ATSPI_STATE_FOCUSED;
        g_array_append_val(wanted, focused);
        GObjectPtr<AtspiStateSet> states(atspi_state_set_new(wanted));
        g_array_free(wanted, TRUE);
        GObjectPtr<AtspiMatchRule> rule(atspi_match_rule_new(
            states.get(), ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_ALL, nullptr,
            ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_ALL, FALSE));
        // Asking for several makes a browser search its whole page for more: the first is
        // asked for alone, and the others only when it takes no text.
        AccessibleRef first;
        AccessibleRef editable;
        for (const int limit : {1, focusedMatchLimit}) {
            GError* error = nullptr;
            GArray* matches = atspi_collection_get_matches(collection.get(), rule.get(),
                                                           ATSPI_Collection_SORT_ORDER_CANONICAL,
                                                           limit, TRUE, &error);
            if (failed(error) || !matches)
                break;
            first.reset();
            for (guint i = 0; i < matches->len; ++i) {
                AccessibleRef match = wrap(g_array_index(matches, AtspiAccessible*, i), screens_);
                if (!match)
                    continue;
                if (!editable &&
                    static_cast<AtspiElement*>(match.get())->hasState(ATSPI_STATE_EDITABLE))
                    editable = match;
                if (!first)
                    first = std::move(match);
            }
            const bool none = matches->len == 0;
            g_array_free(matches, TRUE);
            if (editable || none)
                break;
        }
        return editable ? editable : first;
    }

    // Depth first through what is showing, a bounded number of elements.
    AccessibleRef focusedByWalk() {
        std::vector<AccessibleRef> stack = children();
        int examined = 0;
        while (!stack.empty() && examined < focusWalkLimit) {
            AccessibleRef element = std::move(stack.back());
            stack.pop_back();
            ++examined;
            auto* atspi = static_cast<AtspiElement*>(element.get());
            if (atspi->hasState(ATSPI_STATE_FOCUSED))
                return element;
            if (!atspi->hasState(ATSPI_STATE_SHOWING))
                continue;
            std::vector<AccessibleRef> children = atspi->children();
            stack.insert(stack.end(), std::make_move_iterator(children.rbegin()),
                         std::make_move_iterator(children.rend()));
        }
        return nullptr;
    }

    // Applications report frames in device pixels, except Qt's, which report the logical
    // pixels of their own scale, with each screen's origin kept as ours are.
    bool speaksLogicalPixels() {
        // libatspi keeps the toolkit's name with the application's connection once it was told:
        // every frame after the first asks nothing more.
        const AtspiApplication* known = object_->parent.app;
        if (known && known->toolkit_name)
            return qstrcmp(known->toolkit_name, "Qt") == 0;
        GError* error = nullptr;
        // Qt names its toolkit on the application object only, found by climbing the parents.
        GObjectPtr<AtspiAccessible> application(atspi_accessible_get_application(object_, &error));
        if (failed(error) || !application)
            return false;
        const QString name =
            takeString(atspi_accessible_get_toolkit_name(application.get(), &error));
        return !failed(error) && name == QLatin1String("Qt");
    }

    AtspiAccessible* object_;
    const ScreenPixelsWatch* screens_;
    std::optional<AtspiRole> role_;
    GObjectPtr<AtspiStateSet> states_;
};

}  // namespace

std::unique_ptr<AccessibilityTree> AtspiAccessibilityTree::create(
    const ScreenPixelsWatch* screens) {
    // libatspi's connection is watched from a main context of this thread's own, never from
    // the one Qt's main thread runs.
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    workerContext = context;
    // Anything but 0 leaves libatspi without a bus of ours, and its next call would end the
    // process. A failed start still counts as started inside libatspi until it is undone.
    const int status = atspi_init();
    if (status != 0) {
        if (status != 1)
            atspi_exit();
        workerContext = nullptr;
        g_main_context_pop_thread_default(context);
        g_main_context_unref(context);
        return nullptr;
    }
    atspi_set_main_context(context);
    return std::unique_ptr<AccessibilityTree>(new AtspiAccessibilityTree(context, screens));
}

AtspiAccessibilityTree::AtspiAccessibilityTree(GMainContext* context,
                                               const ScreenPixelsWatch* screens)
    : context_(context), screens_(screens) {}

AtspiAccessibilityTree::~AtspiAccessibilityTree() {
    atspi_exit();
    workerContext = nullptr;
    g_main_context_pop_thread_default(context_);
    g_main_context_unref(context_);
}

void AtspiAccessibilityTree::setCallTimeout(std::chrono::milliseconds timeout) {
    const int ms = static_cast<int>(timeout.count());
    atspi_set_timeout(ms, ms);
}

AccessibleRef AtspiAccessibilityTree::application(qint32 pid) {
    if (pid <= 0)
        return nullptr;
    GObjectPtr<AtspiAccessible> desktop(atspi_get_desktop(0));
    if (!desktop)
        return nullptr;
    GError* error = nullptr;
    const gint count = atspi_accessible_get_child_count(desktop.get(), &error);
    if (failed(error))
        return nullptr;
    for (gint i = 0; i < count; ++i) {
        AtspiAccessible* application =
            atspi_accessible_get_child_at_index(desktop.get(), i, &error);
        if (failed(error) || !application)
            continue;
        const guint owner = atspi_accessible_get_process_id(application, &error);
        if (!failed(error) && owner == static_cast<guint>(pid))
            return std::make_shared<AtspiElement>(application, screens_);
        g_object_unref(application);
    }
    return nullptr;
}

void AtspiAccessibilityTree::processEvents() {
    while (g_main_context_iteration(context_, FALSE)) {
    }
}

void AtspiAccessibilityTree::waitForEvents() {
    // Sleeps in poll() on the bus connections and the context's wake-up descriptor only.
    g_main_context_iteration(context_, TRUE);
    processEvents();
}

void AtspiAccessibilityTree::wakeUp() {
    g_main_context_wakeup(context_);
}

}  // namespace Platform

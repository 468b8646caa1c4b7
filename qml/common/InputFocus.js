.pragma library

// Whether the item with the keyboard focus (a window's activeFocusItem) is an input control
// that uses the keys itself: text (fields, and the text of spin boxes), a list that moves
// with the keys, a combo box or a slider. While one has the focus, the page's key shortcuts
// rest: a Shortcut takes its keys before the focused item sees them, so the arrows would press
// menu keys instead of moving a spin box or a list. Told by the properties each kind has, as
// the controls of both control sets are plain items to a script.
function keepsKeys(item) {
    if (!item)
        return false;
    if (item.cursorPosition !== undefined)      // TextInput, TextEdit and the fields built on them
        return !item.readOnly;
    if (item.keyNavigationEnabled !== undefined) // ListView, GridView
        return item.keyNavigationEnabled === true;
    if (item.editText !== undefined)             // ComboBox
        return true;
    return item.stepSize !== undefined && item.value !== undefined; // Slider, SpinBox (Controls 2)
}

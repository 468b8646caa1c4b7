.pragma library
// Dynamic creation for the window and its tabs: components are looked up in the resources
// first, so that a page or window whose file is not there is reported on the debug log
// instead of as a QML error.

var StatusReady = 1;

// The component at `url` when it loads, otherwise null (with one debug line).
function component(url) {
    var loaded = Qt.createComponent(url);
    if (loaded.status === StatusReady)
        return loaded;
    console.log("Not available: " + url + " " + loaded.errorString());
    return null;
}

// Loads a device page into `loader`, handing it the tab's device as `loadedHardware`.
function loadPage(loader, url, device) {
    if (component(url) === null)
        return false;
    loader.setSource(url, { "loadedHardware": device });
    return true;
}

// Creates an object from `url` under `parent` with the given initial properties; null when the
// file cannot be loaded ("Error: " and the component's error text are logged).
function createObject(url, parent, properties) {
    var loaded = Qt.createComponent(url);
    if (loaded.status !== StatusReady) {
        console.log("Error: " + loaded.errorString());
        return null;
    }
    var created = loaded.createObject(parent, properties === undefined ? {} : properties);
    if (created === null)
        console.log("Error: " + loaded.errorString());
    return created;
}

// A local path from a file dialog's URL: "file://" removed, escapes decoded, and the slash
// before a drive letter dropped.
function localPath(url) {
    var text = url === undefined || url === null ? "" : url.toString();
    if (text.indexOf("file://") !== 0)
        return text;
    text = decodeURIComponent(text.substring(7));
    if (/^\/[A-Za-z]:/.test(text))
        text = text.substring(1);
    return text;
}

// Names and addresses go unescaped into the saved-tabs file and profiles: no separators.
function withoutSeparators(text) {
    return String(text).replace(/[,\/]/g, "");
}

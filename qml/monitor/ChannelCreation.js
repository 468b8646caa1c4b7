.pragma library
.import "../ChannelCreation.js" as Shared
// The window's creation script under this folder's name; the pages import the one above.
var component = Shared.component, loadPage = Shared.loadPage, createObject = Shared.createObject,
    localPath = Shared.localPath, withoutSeparators = Shared.withoutSeparators;

// Compiled into brillox.js ahead of emscripten's own code (--pre-js): the program's side of
// the page. It lays out the program's file system before the program starts, keeps the
// player's folder in the browser's IndexedDB, and gives the page (brillox-page.js) what it
// needs to start the program and to read what the program left behind.
//
// The file system, as the program sees it:
//   /brillox                    the game's data (brillox.data), read-only, as an installed
//                               game's data is; the program counts as lying there
//                               (src/platform/system_web.cpp)
//   /home/web_user/.local/share/brillox
//                               the player's folder (highscore.ini, savegame.ini): the game keeps
//                               the player's files there because it may not write its data
//                               folder. Mounted from IndexedDB and loaded before the program
//                               starts; stored back after every save.
//   /run                        the working folder the program starts in (a desktop player's
//                               start folder): a script and its outputs, for the test hook
//   /tmp                        the end report (ErrorLog.txt) and scratch folders

var Module = typeof Module !== "undefined" ? Module : {};

Module.brilloxDataFolder = "/brillox";
Module.brilloxPlayerFolder = "/home/web_user/.local/share/brillox";
Module.brilloxWorkFolder = "/run";
Module.brilloxEndReport = "/tmp/ErrorLog.txt";

// How many of the next stores of the player's folder fail, as with a full or refused
// IndexedDB: the test hook's way to check that the game then reports its saves as failed.
Module.brilloxFailStores = 0;

Module.preRun = Module.preRun || [];
Module.preRun.push(function () {
    // The program's exit-time work (its changed INI files saved) runs from here, where nothing
    // may sleep: the program then leaves the store of the player's folder to the page, which
    // stores it when the program has ended (brillox-page.js).
    var exitTimeWork = ___funcs_on_exit;
    ___funcs_on_exit = function () {
        Module.brilloxExiting = true;
        return exitTimeWork.apply(null, arguments);
    };
    // The page's environment variables join the ones emscripten makes up (LANG names the
    // browser's language). The C library reads them once, when the runtime starts, after
    // this: later changes would not reach the program.
    var environment = Module.brilloxEnvironment || {};
    Object.keys(environment).forEach(function (name) {
        ENV[name] = environment[name];
    });
    FS.mkdirTree(Module.brilloxWorkFolder);
    FS.mkdirTree(Module.brilloxPlayerFolder);
    FS.chdir(Module.brilloxWorkFolder);
    if (typeof indexedDB === "undefined") {
        // Without IndexedDB (a page opened where the browser refuses it) the player's files
        // live as long as the page.
        Module.brilloxStorage = "none";
        return;
    }
    FS.mount(IDBFS, {}, Module.brilloxPlayerFolder);
    addRunDependency("brillox-player-folder");
    FS.syncfs(true, function (error) {
        Module.brilloxStorage = error ? "failed" : "indexeddb";
        if (error) console.error("brillox: the player's files could not be loaded:", error);
        removeRunDependency("brillox-player-folder");
    });
});

// Stores the player's folder in IndexedDB; resolves with "" when stored, else the reason.
// Called by the program after every replaced file (src/platform/fs_store_web.cpp) and by the
// page when the program has ended.
Module.brilloxStore = function () {
    return new Promise(function (resolve) {
        if (Module.brilloxFailStores > 0) {
            Module.brilloxFailStores--;
            resolve("the page was told to fail this store");
            return;
        }
        if (Module.brilloxStorage !== "indexeddb") {
            resolve(Module.brilloxStorage === "none" ? "" : "the player's folder never loaded");
            return;
        }
        FS.syncfs(false, function (error) {
            resolve(error ? String(error.message || error) : "");
        });
    });
};

// Every file under folder (recursively) as {relative name: Uint8Array}.
Module.brilloxReadFolder = function (folder, recursive) {
    var files = {};
    var walk = function (dir, prefix) {
        var names;
        try {
            names = FS.readdir(dir);
        } catch (e) {
            return;
        }
        names.forEach(function (name) {
            if (name === "." || name === "..") return;
            var path = dir + "/" + name;
            var mode;
            try {
                mode = FS.lstat(path).mode;
            } catch (e) {
                console.error("brillox: " + path + " cannot be examined: " + e);
                return;
            }
            if (FS.isDir(mode)) {
                if (recursive) walk(path, prefix + name + "/");
            } else if (FS.isFile(mode)) {
                try {
                    files[prefix + name] = FS.readFile(path);
                } catch (e) {
                    console.error("brillox: " + path + " cannot be read: " + e);
                }
            }
        });
    };
    walk(folder, "");
    return files;
};

// Writes {relative name: Uint8Array or string} into folder, making subfolders.
Module.brilloxWriteFolder = function (folder, files) {
    Object.keys(files || {}).forEach(function (name) {
        var path = folder + "/" + name;
        var slash = path.lastIndexOf("/");
        if (slash > 0) FS.mkdirTree(path.substring(0, slash));
        FS.writeFile(path, files[name]);
    });
};

// Starts the program with args. The data folder becomes read-only first, as an installed
// game's is, so the game keeps the player's files in the player's folder.
Module.brilloxStart = function (args) {
    var protect = function (path) {
        var mode = FS.stat(path).mode;
        if (FS.isDir(mode)) {
            FS.readdir(path).forEach(function (name) {
                if (name !== "." && name !== "..") protect(path + "/" + name);
            });
            FS.chmod(path, 365); // 0555
        } else {
            FS.chmod(path, 292); // 0444
        }
    };
    protect(Module.brilloxDataFolder);
    Module.callMain(args || []);
};

'use strict';
// The Argon2id worker as a script file of its own, for pages that may start no
// blob: worker (the extension's). The single-file page makes the same worker
// from core.js's functions instead.
importScripts('core.js');
workerMain();

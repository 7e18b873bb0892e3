// fotaro.js: the page side of the photo-upload control's page host (`fotaro host`). It makes the
// page's control in the host and scripts it over a WebSocket.
//
//   <script src="http://127.0.0.1:47800/fotaro.js"></script>
//   const control = await FotaroEx.create({EditMaxWidth: 600, EditMaxHeight: 400, FrameType: 1},
//                                         {OnSink_AxInited: () => console.log('ready')});
//   control.on('OnSlientSink_Complete', (xml) => console.log(xml));
//   const version = await control.GetVersion();   // the out value: 100
//   control.close();                               // destroys the page's control
//
// FotaroEx.create(params, handlers, url): params are the control's <object> parameters; handlers
// (optional) are event handlers by event name, in place before anything can fire; url (optional)
// is the host's WebSocket, by default the one of the host this script came from.
//
// The control has the fifty methods of IFotaroEx by their names. Each returns a Promise of the
// method's out value (undefined when it has none), rejected with a FotaroExError whose `hresult`
// is the failure HRESULT (a signed 32-bit number) or undefined when the host refused the call
// itself (its message says why). PhotoCount() reads the property, PhotoCount(n) writes it.
// on(name, handler) receives the twenty-five events with their arguments in order, and two of
// the connection's own: "error" (a FotaroExError the host sent that no call awaits) and "close"
// (the close code and reason, once the connection has ended; pending calls are rejected then).
(function (global) {
  'use strict';

  const METHODS = [
    'SetResourceInfo', 'SetReportServer', 'GetVersion', 'GetUploadKey', 'HaveSetUploadInfo', 'SetFrame',
    'ActiveFrame', 'Upload', 'SetHelpHyperlink', 'SetTokenContent', 'SetUploadInfo', 'SetUploadLimit',
    'EditUploadFile', 'TranslateAccelerator', 'SetUploadPath', 'SetThumbInfo', 'UploadEx', 'SetUnCompressLimit',
    'SetAutoCompress', 'SetTipsMsg', 'SetPhotoCount', 'LeaveControl', 'AddPhoto', 'Resize', 'SetExtendStr',
    'SetActiveXType', 'StopUpload', 'SetRetryTimes', 'SetWaterPressName', 'SetWaterPressUrl', 'GetPhotoCount',
    'SetWaterPressType', 'SetMD5FileSize', 'Init', 'HideSortDropDown', 'SetSizeLimits', 'SetWaterMark',
    'SetSvrTime', 'SetThreadCount', 'SetUploadSizeLimit', 'UpdateVersion', 'SetUserOrni', 'CancelOneTask',
    'SetBrowserInfo', 'SetUploadFilePath', 'StopUploadSliently', 'StartUploadSliently', 'ResizeInFF',
  ];
  const EVENTS = [
    'OnSink_UploadSelect', 'OnSink_UploadResult', 'OnSink_ActiveFrame', 'OnSink_UploadComplete',
    'OnSink_PrepareToUpload', 'OnSink_UploadParams', 'OnSink_LeaveControl', 'OnSink_UploadOver',
    'OnSink_PrepareToAddPhoto', 'OnSink_HowToDrag', 'OnSlientSink_StartUpload', 'OnSlientSink_StopUpload',
    'OnSlientSink_Progress', 'OnSlientSink_Complete', 'OnSlientSink_Error', 'OnSink_ShowTimeInfo',
    'OnSink_HideTimeInfo', 'OnSink_UploadAllSuccessful', 'OnSink_LocalError', 'OnSink_DataReport',
    'OnSink_GiveupFocus', 'OnSink_AxInited', 'OnSink_StartReadFile', 'OnSink_StartCompress', 'OnSink_StartUpload',
  ];
  const CONNECTION_EVENTS = ['error', 'close'];

  // The host's WebSocket, next to the script's own address.
  const script = document.currentScript;
  const hostSocket = script && script.src ? new URL('/control', script.src).href.replace(/^http/, 'ws') : null;

  class FotaroExError extends Error {
    constructor(message, hresult) {
      super(message);
      this.name = 'FotaroExError';
      this.hresult = hresult;
    }
  }

  const hex = (hr) => '0x' + (hr >>> 0).toString(16).toUpperCase().padStart(8, '0');
  // A handler's exception is reported as uncaught, and the other handlers still run.
  const report = global.reportError || ((error) => setTimeout(() => { throw error; }));

  class Control {
    constructor(socket) {
      this._socket = socket;
      this._nextId = 1;
      this._pending = new Map();   // id -> {name, resolve, reject}
      this._handlers = new Map();  // event name -> [handler]
      for (const name of METHODS) this[name] = (...args) => this._call(name, args, false);
      this.PhotoCount = (...args) => this._call('PhotoCount', args, args.length > 0);
    }

    on(name, handler) {
      if (!EVENTS.includes(name) && !CONNECTION_EVENTS.includes(name)) {
        throw new TypeError('FotaroEx has no event ' + name);
      }
      if (typeof handler !== 'function') throw new TypeError('the handler of ' + name + ' is not a function');
      if (!this._handlers.has(name)) this._handlers.set(name, []);
      this._handlers.get(name).push(handler);
      return this;
    }

    off(name, handler) {
      const handlers = this._handlers.get(name) || [];
      const at = handlers.indexOf(handler);
      if (at >= 0) handlers.splice(at, 1);
      return this;
    }

    // Ends the connection, which destroys the page's control.
    close() {
      this._socket.close(1000);
    }

    _call(name, args, put) {
      if (this._socket.readyState !== WebSocket.OPEN) {
        return Promise.reject(new FotaroExError(name + ': the connection to the page host is closed', undefined));
      }
      const id = this._nextId++;
      const message = {op: 'call', id, name, args};
      if (put) message.put = true;
      return new Promise((resolve, reject) => {
        this._pending.set(id, {name, resolve, reject});
        this._socket.send(JSON.stringify(message));
      });
    }

    _emit(name, args) {
      for (const handler of (this._handlers.get(name) || []).slice()) {
        try {
          handler.apply(this, args);
        } catch (error) {
          report(error);
        }
      }
    }

    _take(id) {
      const pending = this._pending.get(id);
      this._pending.delete(id);
      return pending;
    }

    _receive(message) {
      if (message.op === 'event') {
        this._emit(message.name, Array.isArray(message.args) ? message.args : []);
      } else if (message.op === 'return') {
        const pending = this._take(message.id);
        if (!pending) return;
        if (message.hr < 0) {
          pending.reject(new FotaroExError(pending.name + ' failed with ' + hex(message.hr), message.hr));
        } else {
          pending.resolve(message.value);
        }
      } else if (message.op === 'error') {
        const pending = this._take(message.id);
        if (pending) {
          pending.reject(new FotaroExError(pending.name + ': ' + message.message, message.hr));
        } else {
          this._emit('error', [new FotaroExError(message.message, message.hr)]);
        }
      }
    }

    _closed(code, reason) {
      for (const pending of this._pending.values()) {
        pending.reject(new FotaroExError(pending.name + ': the connection to the page host ended', undefined));
      }
      this._pending.clear();
      this._emit('close', [code, reason]);
    }
  }

  function create(params = {}, handlers = {}, url = hostSocket) {
    return new Promise((resolve, reject) => {
      if (!url) throw new FotaroExError('the address of the page host is not known: give it to create', undefined);
      const socket = new WebSocket(url);
      const control = new Control(socket);
      for (const [name, handler] of Object.entries(handlers)) control.on(name, handler);
      let created = false;
      socket.onopen = () => socket.send(JSON.stringify({op: 'create', params}));
      socket.onmessage = (event) => {
        let message;
        try {
          message = JSON.parse(event.data);
        } catch (error) {
          return;
        }
        if (!created && message.op === 'created') {
          created = true;
          resolve(control);
        } else if (!created && message.op === 'error') {
          reject(new FotaroExError(message.message, message.hr));
          socket.close(1000);
        } else {
          control._receive(message);
        }
      };
      socket.onclose = (event) => {
        if (!created) {
          // A browser does not tell a page why a handshake failed.
          reject(new FotaroExError('the page host is not running at ' + url +
                                   ', or it refused this page (the control admits only its own sites)', undefined));
        }
        control._closed(event.code, event.reason);
      };
    });
  }

  global.FotaroEx = Object.freeze({create, FotaroExError, METHODS, EVENTS});
})(window);

// Enrolment of a key pair with its certificate: three objects under one container and CKA_ID.
#include "platform/win/text_conversion.h"
#include "simulator/state/certificate_fields.h"
#include "simulator/tool/control_internal.h"
#include "simulator/tool/key_material.h"

namespace vtoken {

using namespace detail;

Outcome<KeyPairHandles> TokenControl::EnrolKeyPair(CK_SLOT_ID slot, const KeyPairRequest& request) {
  using Result = Outcome<KeyPairHandles>;
  if (request.container.empty()) return Result::Failure("a key pair needs a container name");
  Bytes certificate;
  RsaPublicParts key;
  std::string error;
  if (!request.certificateFile.empty()) {
    Outcome<Bytes> read = ReadCertificateFile(request.certificateFile);
    if (!read) return Result::Failure(read.message);
    certificate = *read;
    std::optional<vsim::CertificateFields> fields = vsim::ReadCertificateFields(certificate);
    key = {fields->modulus, fields->publicExponent};
    if (!request.keyFile.empty()) {
      std::optional<RsaPublicParts> fromFile = ReadRsaKeyFile(request.keyFile, error);
      if (!fromFile) return Result::Failure(error);
      if (fromFile->modulus != key.modulus) {
        return Result::Failure("the key in " + win::ToUtf8(request.keyFile) + " does not belong to the certificate");
      }
    }
  } else {
    if (!request.keyFile.empty()) return Result::Failure("a key file needs its certificate file");
    if (request.issuerCertificateFile.empty() != request.issuerKeyFile.empty()) {
      return Result::Failure("an issuer needs both its certificate file and its key file");
    }
    std::optional<GeneratedPair> pair = GenerateCertifiedPair(request, error);
    if (!pair) return Result::Failure(error);
    certificate = pair->certificate;
    key = pair->key;
  }

  KeySpec spec;
  spec.modulus = key.modulus;
  spec.publicExponent = key.publicExponent;
  spec.id = request.id.empty() ? Sha1(key.modulus) : request.id;
  spec.container = request.container;
  spec.encrypt = request.encrypt;
  spec.verify = request.verify;
  std::map<CK_ATTRIBUTE_TYPE, Bytes> certificateAttributes;
  error = CertificateAttributes(certificate, request.container, spec.id, request.label, certificateAttributes);
  if (!error.empty()) return Result::Failure(error);
  const Bytes& label = certificateAttributes[CKA_LABEL];
  spec.label = std::string(label.begin(), label.end());

  KeyPairHandles handles;
  error = WithState(Home(), [&](vsim::State& state, bool& changed) {
    std::string failure = AddObjectTo(state, slot, certificateAttributes, handles.certificate);
    if (failure.empty()) failure = AddObjectTo(state, slot, KeyAttributes(spec, false), handles.publicKey);
    if (failure.empty()) failure = AddObjectTo(state, slot, KeyAttributes(spec, true), handles.privateKey);
    changed = failure.empty();
    return failure;
  });
  if (!error.empty()) return Result::Failure(error);
  return {handles, {}};
}

}  // namespace vtoken
